# Tray item (StatusNotifierItem), its drawing, the popover and the verification code card.

# The item's bus interface is exported through a generated adaptor whose parent object only forwards
# to the host; the watcher is called through a generated proxy.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/dbus/org.kde.StatusNotifierItem.xml PROPERTIES
  INCLUDE tarnwick/helper/statusnotifiertypes.h)
qt_add_dbus_adaptor(tray_sni_dbus_sources dbus/org.kde.StatusNotifierItem.xml
  statusnotifieritemobject_p.h tarnwick::StatusNotifierItemObject statusnotifieritemadaptor StatusNotifierItemAdaptor)
qt_add_dbus_interface(tray_sni_dbus_sources dbus/org.kde.StatusNotifierWatcher.xml statusnotifierwatcherproxy)

target_sources(TarnwickHelperLib PRIVATE
  src/statusnotifiertypes.cpp
  src/statusnotifieritemhost.cpp
  src/statusnotifieritemobject_p.h
  src/styledtitlerenderer.cpp
  src/traypicture.cpp
  src/trayhostprofile.cpp
  src/traystyle.cpp
  src/threadcontextmenu.cpp
  src/traymessagerow.cpp
  src/traysearchfield.cpp
  src/traybanner.cpp
  src/verificationcodecard.cpp
  src/traypopoverview.cpp
  src/traypopover.cpp
  include/tarnwick/helper/statusnotifieritemhost.h
  include/tarnwick/helper/traypicture.h
  include/tarnwick/helper/trayhostprofile.h
  include/tarnwick/helper/traymessagerow.h
  include/tarnwick/helper/traysearchfield.h
  include/tarnwick/helper/traybanner.h
  include/tarnwick/helper/verificationcodecard.h
  include/tarnwick/helper/traypopoverview.h
  include/tarnwick/helper/traypopover.h
  ${tray_sni_dbus_sources}
)
target_include_directories(TarnwickHelperLib PRIVATE src ${CMAKE_CURRENT_BINARY_DIR})
target_link_libraries(TarnwickHelperLib PUBLIC Qt6::DBus PRIVATE HelperBrand HelperUI)

if(BUILD_TESTING)
  # A desktop tray for the tests: owns org.kde.StatusNotifierWatcher on the session bus.
  qt_add_dbus_adaptor(test_sni_watcher_dbus dbus/org.kde.StatusNotifierWatcher.xml
    teststatusnotifierwatcher.h tarnwick::testing::TestStatusNotifierWatcher teststatusnotifierwatcheradaptor
    StatusNotifierWatcherAdaptor)
  add_library(TestStatusNotifierWatcher STATIC
    tests/teststatusnotifierwatcher.cpp
    tests/teststatusnotifierwatcher.h
    ${test_sni_watcher_dbus})
  target_include_directories(TestStatusNotifierWatcher PUBLIC tests PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
  target_link_libraries(TestStatusNotifierWatcher PUBLIC TarnwickHelperLib Qt6::DBus TarnwickEventWait)
endif()

# Drawing and views in process: the title renderer, the popover and the code card. Review images of
# the popover (looked at, never compared) go under the build tree.
tarnwick_add_test(helper_tray_ui_tests QT_APP
  SOURCES
    tests/styledtitlerenderer_tests.cpp
    tests/traypopoverview_tests.cpp
    tests/traypopoverstability_tests.cpp
    tests/verificationcodecard_tests.cpp
  LIBRARIES TarnwickHelperLib HelperUI HelperBrand TarnwickTestSupport Qt6::Test)
if(TARGET helper_tray_ui_tests)
  target_compile_definitions(helper_tray_ui_tests PRIVATE TARNWICK_REVIEW_DIR="${CMAKE_BINARY_DIR}/review-images")
endif()

# The item on the session bus against the test watcher, in process and through the real program. The
# watcher owns a well-known name, so these run under the "session-bus-names" lock.
tarnwick_add_test(helper_tray_bus_tests QT_APP
  SOURCES
    tests/statusnotifieritemhost_tests.cpp
    tests/tray_process_tests.cpp
  LIBRARIES TarnwickHelperLib TestStatusNotifierWatcher TarnwickTestSupport Qt6::Test
  RESOURCE_LOCK session-bus-names)
if(TARGET helper_tray_bus_tests)
  add_dependencies(helper_tray_bus_tests tarnwick-helper)
endif()
