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
  src/hotkeylabel.cpp
  include/tarnwick/helper/settingswindow.h
  include/tarnwick/helper/settingswindowcontroller.h
  include/tarnwick/helper/preferenceform.h
  include/tarnwick/helper/generalpane.h
  include/tarnwick/helper/appearancepane.h
  include/tarnwick/helper/notificationspane.h
  include/tarnwick/helper/advancedpane.h
  include/tarnwick/helper/settingsaccountlist.h
  include/tarnwick/helper/hotkeylabel.h
)
target_link_libraries(TarnwickHelperLib PUBLIC HelperUI PRIVATE HelperBrand)

# The window and its panes in process, against a desktop whose mail handler is a fake.
tarnwick_add_test(helper_preferences_tests QT_APP
  SOURCES tests/settingswindow_tests.cpp
  LIBRARIES TarnwickHelperLib HelperUI TarnwickTestSupport Qt6::Test)
if(TARGET helper_preferences_tests)
  # Review images (looked at, never compared) go under the build tree.
  target_compile_definitions(helper_preferences_tests PRIVATE TARNWICK_REVIEW_DIR="${CMAKE_BINARY_DIR}/review-images")
endif()

# The window through the real program.
tarnwick_add_test(helper_preferences_process_tests
  SOURCES tests/preferences_process_tests.cpp
  LIBRARIES TarnwickTestSupport)
if(TARGET helper_preferences_process_tests)
  add_dependencies(helper_preferences_process_tests tarnwick-helper)
endif()
