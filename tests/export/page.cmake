# The exported page, opened from disk in headless Chromium. Its screenshots stay in the build's
# tests/ folder for a person to look at.
thermira_add_test(tst_heatmappage SOURCES tst_heatmappage.cpp LIBRARIES thermira_export Qt6::Gui)
target_compile_definitions(tst_heatmappage PRIVATE
    THERMIRA_TEMPLATE_DIR="${THERMIRA_OUTPUT_DIR}/leaflet"
    THERMIRA_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/tests/heatmappage-screenshots"
    THERMIRA_CHROMIUM="/usr/bin/chromium"
    THERMIRA_FIREFOX="/usr/bin/firefox-esr")
add_dependencies(tst_heatmappage thermira_data)
# Each case starts the browser twice; a loaded machine needs more than the usual time.
set_tests_properties(tst_heatmappage PROPERTIES TIMEOUT 900)
