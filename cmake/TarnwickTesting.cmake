# tarnwick_add_test(<name> [QT_APP] [WHOLE_PROGRAM] SOURCES <files...> LIBRARIES <targets...>
#                   [RESOURCE_LOCK <name>] [TIMEOUT <seconds>])
#
# RESOURCE_LOCK: CTest runs tests in parallel; tests that own a well-known D-Bus name or watch a
# session-wide signal name the resource (one name) here so they never overlap.
# QT_APP: the tests need a QApplication (widgets, clipboard, D-Bus, event loop); the test main from
# testing/ creates one before running the cases.
# One GoogleTest executable per unit of behaviour; its cases are discovered at test time so a
# sanitizer build never runs test binaries during the build. Views run on Qt's offscreen platform.
# WHOLE_PROGRAM: the executable is one CTest test, so its cases share what its GoogleTest
# environment starts once (a whole desktop, for the real-host rigs); TIMEOUT bounds it.
#
# Every test needs the private session of scripts/with-session.sh (its own bus, keyring, home and no
# display): outside it a test would reach the developer's own desktop, so CTest refuses to start.
if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(WRITE "${CMAKE_BINARY_DIR}/CTestCustom.cmake"
    "set(CTEST_CUSTOM_PRE_TEST \"${CMAKE_SOURCE_DIR}/scripts/require-private-session.sh\")\n")
endif()

function(tarnwick_add_test name)
  if(NOT BUILD_TESTING)
    return()
  endif()
  cmake_parse_arguments(ARG "QT_APP;WHOLE_PROGRAM" "RESOURCE_LOCK;TIMEOUT" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_QT_APP)
    set(test_main TarnwickQtTestMain)
  else()
    set(test_main GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gmock ${test_main})
  # gtest_discover_tests passes properties through a generated script that keeps only the first
  # element of a list value: one environment entry and one lock name each.
  set(extra_properties)
  if(ARG_RESOURCE_LOCK)
    set(extra_properties RESOURCE_LOCK "${ARG_RESOURCE_LOCK}")
  endif()
  if(ARG_WHOLE_PROGRAM)
    if(NOT ARG_TIMEOUT)
      set(ARG_TIMEOUT 900)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT ${ARG_TIMEOUT}
      ${extra_properties})
    return()
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
      TIMEOUT 300
      ${extra_properties})
endfunction()

