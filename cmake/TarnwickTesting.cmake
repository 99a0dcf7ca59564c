# tarnwick_add_test(<name> [QT_APP] SOURCES <files...> LIBRARIES <targets...> [ENVIRONMENT <VAR=value...>]
#                   [RESOURCE_LOCK <names...>])
#
# RESOURCE_LOCK: CTest runs tests in parallel; tests that own a well-known D-Bus name or watch a
# session-wide signal name the resource here so they never overlap.
# QT_APP: the tests need a QApplication (widgets, clipboard, D-Bus, event loop); the test main from
# testing/ creates one before running the cases.
# One GoogleTest executable per unit of behaviour; its cases are discovered at test time so a
# sanitizer build never runs test binaries during the build. Views run on Qt's offscreen platform.
if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

function(tarnwick_add_test name)
  if(NOT BUILD_TESTING)
    return()
  endif()
  cmake_parse_arguments(ARG "QT_APP" "" "SOURCES;LIBRARIES;ENVIRONMENT;RESOURCE_LOCK" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_QT_APP)
    set(test_main TarnwickQtTestMain)
  else()
    set(test_main GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gmock ${test_main})
  set(extra_properties)
  if(ARG_RESOURCE_LOCK)
    list(JOIN ARG_RESOURCE_LOCK ";" locks)
    set(extra_properties RESOURCE_LOCK "${locks}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TARNWICK_BUILD_DIR=${CMAKE_BINARY_DIR};${ARG_ENVIRONMENT}"
      TIMEOUT 300
      ${extra_properties})
endfunction()
