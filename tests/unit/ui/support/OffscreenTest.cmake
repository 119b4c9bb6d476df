# Qt's imported targets are visible only in the folder that found them, so
# every includer finds them; the rest is defined once.
find_package(Qt6 REQUIRED COMPONENTS Gui Widgets Test)
include_guard(GLOBAL)

add_library(corvane_offscreen_test_main STATIC
  ${CMAKE_CURRENT_LIST_DIR}/OffscreenTestMain.cpp)
target_link_libraries(corvane_offscreen_test_main PUBLIC GTest::gtest Qt6::Widgets)

# corvane_add_offscreen_test(<name> LABEL unit|integration SOURCES ... LIBS ...)
# Like corvane_add_test, but with a main that creates a QApplication on Qt's
# offscreen platform, for tests that paint widgets and images.
function(corvane_add_offscreen_test name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  corvane_add_test(${name} OWN_MAIN LABEL ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT}
    SOURCES ${ARG_SOURCES}
    LIBS ${ARG_LIBS} corvane_offscreen_test_main Qt6::Test)
endfunction()
