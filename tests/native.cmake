include(GoogleTest)

add_library(resolvo_test_support STATIC
    support/RecordingPlatform.cpp
    support/TempDir.cpp
)
target_include_directories(resolvo_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(resolvo_test_support PUBLIC resolvo_logic GTest::gtest PRIVATE resolvo_warnings)

add_executable(unit_tests
    platform/LineReaderTest.cpp
    platform/RecordingPlatformTest.cpp
    shell/LayoutTest.cpp
    shell/ProgramTest.cpp
    namefiles/FileHandlerTest.cpp
    fix/ExtractHostTest.cpp
    fix/RunFixTest.cpp
    winsock/WinsockTest.cpp
)
target_link_libraries(unit_tests PRIVATE resolvo_test_support resolvo_logic GTest::gtest_main resolvo_warnings)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 30)
