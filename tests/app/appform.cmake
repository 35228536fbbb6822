thermira_add_test(tst_appform SOURCES tst_appform.cpp LIBRARIES thermira_mainwindow)
# The window reads the version record of a real program file: a copy of the built executable.
target_compile_definitions(tst_appform PRIVATE THERMIRA_EXECUTABLE="$<TARGET_FILE:thermira>")
add_dependencies(tst_appform thermira)
