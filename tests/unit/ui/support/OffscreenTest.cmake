# Qt's imported targets are visible only in the folder that found them, so
# every includer finds them; the rest is defined once.
find_package(Qt6 REQUIRED COMPONENTS Gui Widgets Test)
include_guard(GLOBAL)

add_library(corvane_offscreen_test_main STATIC
  ${CMAKE_CURRENT_LIST_DIR}/OffscreenTestMain.cpp)
target_link_libraries(corvane_offscreen_test_main PUBLIC GTest::gtest Qt6::Widgets)

# corvane_add_offscreen_test(<name> LABEL unit|integration SOURCES ... LIBS ...)
# Like corvane_add_test, but with a main that creates a QApplication on Qt's
# offscreen platform, for tests that paint widgets and images. Renders the
# tests write for people to look at go to <build>/renders.
function(corvane_add_offscreen_test name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} corvane_offscreen_test_main
                                        GTest::gtest GTest::gmock Qt6::Test
                                        corvane_test_support)
  target_compile_options(${name} PRIVATE
    -include ${PROJECT_SOURCE_DIR}/tests/support/QtPrinters.h)
  target_compile_definitions(${name} PRIVATE
    CORVANE_RENDER_DIR="${CMAKE_BINARY_DIR}/renders")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT})
endfunction()
