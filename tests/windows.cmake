# Windows-side tests: run under Wine in a private prefix inside this build
# folder, on an Xvfb display of their own. The fixture makes both and ends
# every process it started; the tests share them one at a time.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(RESOLVO_WINE_STATE ${CMAKE_BINARY_DIR}/wine)
set(wine_environment "RESOLVO_WINE_STATE=${RESOLVO_WINE_STATE}")

add_test(NAME wine_setup COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-fixture.sh start)
add_test(NAME wine_cleanup COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-fixture.sh stop)
set_tests_properties(wine_setup PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${wine_environment}")
set_tests_properties(wine_cleanup PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${wine_environment}")

function(resolvo_wine_test name)
    set_tests_properties(${name} PROPERTIES
        FIXTURES_REQUIRED wine
        RESOURCE_LOCK wine
        ENVIRONMENT "${wine_environment}")
endfunction()

add_executable(recording_stub WIN32 support/RecordingStub.cpp)
target_link_options(recording_stub PRIVATE -static -municode)

add_executable(win32_tests
    platform/Win32PlatformTest.cpp
    namefiles/Win32NameFilesTest.cpp
    support/Win32TempDir.cpp
)
target_include_directories(win32_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(win32_tests PRIVATE resolvo_win32 GTest::gtest_main)
target_link_options(win32_tests PRIVATE -static)
add_dependencies(win32_tests recording_stub)
add_test(NAME win32_tests COMMAND win32_tests)
resolvo_wine_test(win32_tests)

# The icon, banner, manifest and version record, read back from the built program.
add_test(NAME resources
    COMMAND ${PROJECT_SOURCE_DIR}/tests/resources/check-resources.sh $<TARGET_FILE:resolvo>)

# The whole program, driven through its windows under Wine and Xvfb.
set(e2e_environment
    ${wine_environment}
    "RESOLVO_EXE=$<TARGET_FILE:resolvo>"
    "RESOLVO_STUB=$<TARGET_FILE:recording_stub>"
    "RESOLVO_RESOURCES=${PROJECT_SOURCE_DIR}/resources"
    "RESOLVO_SCREENSHOTS=${CMAKE_BINARY_DIR}/screenshots"
    "PYTHONDONTWRITEBYTECODE=1")
foreach(suite shell winsock fix)
    add_test(NAME e2e_${suite}
        COMMAND Python3::Interpreter -m unittest -v test_${suite}
        WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
    set_tests_properties(e2e_${suite} PROPERTIES
        FIXTURES_REQUIRED wine
        RESOURCE_LOCK wine
        TIMEOUT 600
        ENVIRONMENT "${e2e_environment}")
endforeach()
