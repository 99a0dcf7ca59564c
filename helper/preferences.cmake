# The preferences window and its panes.
target_sources(TarnwickHelperLib PRIVATE
  src/settingswindowcontroller.cpp
  src/preferenceform.cpp
  src/preferencebinding.cpp
  src/generalpane.cpp
  src/appearancepane.cpp
  src/notificationspane.cpp
  src/advancedpane.cpp
  src/settingsaccountlist.cpp
  src/focussettings.cpp
  include/tarnwick/helper/settingswindow.h
  include/tarnwick/helper/settingswindowcontroller.h
  include/tarnwick/helper/preferenceform.h
  include/tarnwick/helper/generalpane.h
  include/tarnwick/helper/appearancepane.h
  include/tarnwick/helper/notificationspane.h
  include/tarnwick/helper/advancedpane.h
  include/tarnwick/helper/settingsaccountlist.h
)
target_link_libraries(TarnwickHelperLib PUBLIC HelperUI PRIVATE HelperBrand)
