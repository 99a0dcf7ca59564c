# Focus follows the desktop's Do Not Disturb: GSettings and notification-server sources, combined.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/dbus/org.freedesktop.DBus.Properties.xml PROPERTIES
  NO_NAMESPACE ON)
qt_add_dbus_interface(focus_dnd_dbus_sources dbus/org.freedesktop.DBus.Properties.xml dbuspropertiesproxy)
target_sources(TarnwickHelperLib PRIVATE
  src/donotdisturbwatcher.cpp
  src/gsettingsdonotdisturb.cpp
  src/notificationserverdonotdisturb.cpp
  include/tarnwick/helper/donotdisturbsource.h
  include/tarnwick/helper/donotdisturbwatcher.h
  include/tarnwick/helper/gsettingsdonotdisturb.h
  include/tarnwick/helper/notificationserverdonotdisturb.h
  ${focus_dnd_dbus_sources}
)
target_include_directories(TarnwickHelperLib PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
