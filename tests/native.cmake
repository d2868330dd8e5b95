add_library(resolvo_test_support STATIC support/RecordingPlatform.cpp support/TempDir.cpp)
target_include_directories(resolvo_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(resolvo_test_support PUBLIC resolvo_port GTest::gtest PRIVATE resolvo_warnings)

add_executable(unit_tests
    port/FilesContractTest.cpp
    namefiles/NameFileRepairTest.cpp
    fix/ExtractHostTest.cpp
    fix/SiteFixerTest.cpp
    winsock/WinsockResetTest.cpp
    ui/LayoutTest.cpp
)
target_link_libraries(unit_tests PRIVATE resolvo_test_support resolvo_fix resolvo_namefiles resolvo_winsock
                                         resolvo_port GTest::gtest_main resolvo_warnings)
target_include_directories(unit_tests PRIVATE ${PROJECT_SOURCE_DIR}/src)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 30)
