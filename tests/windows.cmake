# Windows-side tests, under Wine in private prefixes in this build folder, each
# with its own Xvfb display, made and ended (with every process) by a fixture.
# The main prefix is 64-bit; a 32-bit one runs the hostile-machine suite again.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Making a prefix runs wineboot, which is slow on a busy machine.
function(resolvo_wine_fixture prefix)
    set(environment "RESOLVO_WINE_STATE=${CMAKE_BINARY_DIR}/${prefix}" ${ARGN})
    set(${prefix}_environment ${environment} PARENT_SCOPE)
    add_test(NAME ${prefix}_setup COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-fixture.sh start)
    add_test(NAME ${prefix}_cleanup COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-fixture.sh stop)
    set_tests_properties(${prefix}_setup ${prefix}_cleanup PROPERTIES TIMEOUT 300 ENVIRONMENT "${environment}")
    set_tests_properties(${prefix}_setup PROPERTIES FIXTURES_SETUP ${prefix})
    set_tests_properties(${prefix}_cleanup PROPERTIES FIXTURES_CLEANUP ${prefix})
endfunction()
resolvo_wine_fixture(wine)
resolvo_wine_fixture(wine32 "WINEARCH=win32")

function(resolvo_wine_test name prefix)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${prefix} RESOURCE_LOCK ${prefix}
        ENVIRONMENT "${test_environment};${${prefix}_environment}" ${ARGN})
endfunction()

add_executable(file_holder support/FileHolder.cpp)
add_executable(window_probe support/WindowProbe.cpp)
target_link_libraries(window_probe PRIVATE oleacc ole32 oleaut32 gdi32)
add_executable(win32_tests win32/Win32PlatformTest.cpp support/TempDir.cpp)
target_include_directories(win32_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(win32_tests PRIVATE resolvo_win32 GTest::gtest_main)
add_dependencies(win32_tests recording_stub)
target_link_options(file_holder PRIVATE -static -municode)
target_link_options(window_probe PRIVATE -static -municode)
target_link_options(win32_tests PRIVATE -static)

# What the tests need of the build: its programs, and what it calls the
# product, so as to expect it rather than repeat it.
set(test_environment
    "RESOLVO_EXE=$<TARGET_FILE:resolvo>" "RESOLVO_STUB=$<TARGET_FILE:recording_stub>"
    "RESOLVO_HOLDER=$<TARGET_FILE:file_holder>" "RESOLVO_PROBE=$<TARGET_FILE:window_probe>"
    "RESOLVO_RESOURCES=${PROJECT_SOURCE_DIR}/resources"
    "RESOLVO_SCREENSHOTS=${CMAKE_BINARY_DIR}/screenshots" "RESOLVO_PACKAGE=${RESOLVO_PACKAGE}"
    "RESOLVO_PRODUCT_NAME=${RESOLVO_PRODUCT_NAME}" "RESOLVO_VERSION_TEXT=${RESOLVO_VERSION_TEXT}"
    "RESOLVO_VERSION=${RESOLVO_VERSION_QUAD}" "PYTHONDONTWRITEBYTECODE=1")

add_test(NAME win32_tests COMMAND win32_tests)
resolvo_wine_test(win32_tests wine TIMEOUT 300)

# The whole program, driven through its windows.
foreach(suite windows winsock fix hostile)
    add_test(NAME e2e_${suite} COMMAND ${Python3_EXECUTABLE} -m unittest -v test_${suite}
        WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
    resolvo_wine_test(e2e_${suite} wine TIMEOUT 900)
endforeach()
add_test(NAME e2e_hostile_win32 COMMAND ${Python3_EXECUTABLE} -m unittest -v test_hostile
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
resolvo_wine_test(e2e_hostile_win32 wine32 TIMEOUT 900)

# The download, made by its target in this build folder for the tests that
# read it; a plain build of everything leaves it out.
add_test(NAME make_package COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target package)
set_tests_properties(make_package PROPERTIES FIXTURES_SETUP package)

# The icon, banner, manifest, version record and imports of the built program, and the download.
add_test(NAME resources COMMAND ${PROJECT_SOURCE_DIR}/tests/resources/check-resources.sh $<TARGET_FILE:resolvo>
    ${RESOLVO_PACKAGE})
set_tests_properties(resources PROPERTIES FIXTURES_REQUIRED package ENVIRONMENT "${test_environment}")

# Two clean builds of one commit give the same program and download: they are
# built again elsewhere and compared with this one. It uses both cores, so the
# Wine tests, which wait with time limits, do not run beside it.
file(RELATIVE_PATH package_in_build ${CMAKE_BINARY_DIR} ${RESOLVO_PACKAGE})
add_test(NAME reproducible_build COMMAND ${PROJECT_SOURCE_DIR}/tests/reproducible/check-reproducible.sh
    ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR} windows
    $<PATH:RELATIVE_PATH,$<TARGET_FILE:resolvo>,${CMAKE_BINARY_DIR}> ${package_in_build})
set_tests_properties(reproducible_build PROPERTIES FIXTURES_REQUIRED package PROCESSORS 2 TIMEOUT 600)
