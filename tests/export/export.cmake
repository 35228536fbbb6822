thermira_add_test(tst_heatmapdatascript SOURCES tst_heatmapdatascript.cpp LIBRARIES thermira_export)
thermira_add_test(tst_heatmapexport SOURCES tst_heatmapexport.cpp unwritablefolder.h LIBRARIES thermira_export)
# The export command on the main window, which reads the version record of a real program file,
# and the command line's export of the same list.
thermira_add_test(tst_exportcommand SOURCES tst_exportcommand.cpp unwritablefolder.h
    LIBRARIES thermira_mainwindow thermira_cli)
target_compile_definitions(tst_exportcommand PRIVATE THERMIRA_EXECUTABLE="$<TARGET_FILE:thermira>")
add_dependencies(tst_exportcommand thermira)
