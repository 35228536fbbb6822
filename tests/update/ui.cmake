thermira_add_test(tst_newver SOURCES tst_newver.cpp LIBRARIES thermira_update_ui)
# The placement once more on a screen scaled to 150 %.
add_test(NAME tst_newver_scaled COMMAND tst_newver placementOnPrimaryScreen positionKeepsUnscaledMargins)
set_tests_properties(tst_newver_scaled PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=1.5;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config/tst_newver_scaled;QT_LOGGING_RULES=qt.qpa.*=false"
    TIMEOUT 300)

thermira_add_test(tst_updatehook SOURCES tst_updatehook.cpp LIBRARIES thermira_mainwindow)
# The main window reads the version record of the built program.
target_compile_definitions(tst_updatehook PRIVATE THERMIRA_EXECUTABLE="$<TARGET_FILE:thermira>")
add_dependencies(tst_updatehook thermira thermira_data)
