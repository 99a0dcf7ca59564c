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
  src/traystyle.cpp
  src/threadcontextmenu.cpp
  src/traymessagerow.cpp
  src/traysearchfield.cpp
  src/traybanner.cpp
  src/verificationcodecard.cpp
  src/traypopoverview.cpp
  src/traypopover.cpp
  include/tarnwick/helper/statusnotifieritemhost.h
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
