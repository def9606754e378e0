# The test main of the Qt layers (a QApplication on the offscreen platform, a private settings and
# runtime folder per test process) and small helpers, shared by the Qt test executables.
include_guard(GLOBAL)
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

add_library(orvanta_qt_test_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/QtTestMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtTestSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtTestSupport.h
)
target_include_directories(orvanta_qt_test_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(orvanta_qt_test_support PUBLIC orvanta_winframework Qt6::Widgets Qt6::Test GTest::gtest
                      PRIVATE orvanta_warnings)

# Registers a Qt test executable with CTest, one test per case, offscreen.
function(orvanta_add_qt_tests target)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
                         PROPERTIES LABELS qt ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
