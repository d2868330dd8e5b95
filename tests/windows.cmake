# Windows-side tests: run under Wine in private prefixes inside this build
# folder, each on an Xvfb display of its own. A fixture makes a prefix and its
# display and ends every process it started; the tests of a prefix take turns.
# The main prefix is Wine's default, a 64-bit Windows; a second, 32-bit one
# runs the hostile-machine suite again.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

function(resolvo_wine_fixture name state)
    set(environment "RESOLVO_WINE_STATE=${state}" ${ARGN})
    add_test(NAME ${name}_setup COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-fixture.sh start)
    add_test(NAME ${name}_cleanup COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-fixture.sh stop)
    # Making a prefix runs wineboot, which is slow on a busy machine.
    set_tests_properties(${name}_setup PROPERTIES FIXTURES_SETUP ${name} ENVIRONMENT "${environment}"
        TIMEOUT 300)
    set_tests_properties(${name}_cleanup PROPERTIES FIXTURES_CLEANUP ${name} ENVIRONMENT "${environment}")
endfunction()

set(wine_environment "RESOLVO_WINE_STATE=${CMAKE_BINARY_DIR}/wine")
set(wine32_environment "RESOLVO_WINE_STATE=${CMAKE_BINARY_DIR}/wine32" "WINEARCH=win32")
resolvo_wine_fixture(wine ${CMAKE_BINARY_DIR}/wine)
resolvo_wine_fixture(wine32 ${CMAKE_BINARY_DIR}/wine32 "WINEARCH=win32")

function(resolvo_wine_test name)
    set_tests_properties(${name} PROPERTIES
        FIXTURES_REQUIRED wine
        RESOURCE_LOCK wine
        TIMEOUT 300
        ENVIRONMENT "${wine_environment}")
endfunction()

add_executable(recording_stub WIN32 support/RecordingStub.cpp)
target_link_options(recording_stub PRIVATE -static -municode)
add_executable(file_holder support/FileHolder.cpp)
target_link_options(file_holder PRIVATE -static -municode)

add_executable(win32_tests win32/Win32PlatformTest.cpp support/TempDir.cpp)
target_include_directories(win32_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(win32_tests PRIVATE resolvo_win32 GTest::gtest_main)
target_link_options(win32_tests PRIVATE -static)
add_dependencies(win32_tests recording_stub)
add_test(NAME win32_tests COMMAND win32_tests)
resolvo_wine_test(win32_tests)

# What the build calls the product, for the tests to expect rather than repeat.
set(version_environment
    "RESOLVO_PRODUCT_NAME=${RESOLVO_PRODUCT_NAME}"
    "RESOLVO_VERSION_TEXT=${RESOLVO_VERSION_TEXT}"
    "RESOLVO_VERSION=${RESOLVO_VERSION_QUAD}")

# The icon, banner, manifest and version record, read back from the built program.
add_test(NAME resources
    COMMAND ${PROJECT_SOURCE_DIR}/tests/resources/check-resources.sh $<TARGET_FILE:resolvo>)
set_tests_properties(resources PROPERTIES ENVIRONMENT "${version_environment}")

# The whole program, driven through its windows under Wine and Xvfb.
set(e2e_environment
    "RESOLVO_EXE=$<TARGET_FILE:resolvo>"
    "RESOLVO_STUB=$<TARGET_FILE:recording_stub>"
    "RESOLVO_HOLDER=$<TARGET_FILE:file_holder>"
    "RESOLVO_RESOURCES=${PROJECT_SOURCE_DIR}/resources"
    "RESOLVO_SCREENSHOTS=${CMAKE_BINARY_DIR}/screenshots"
    "RESOLVO_PACKAGE=${RESOLVO_PACKAGE}"
    ${version_environment}
    "PYTHONDONTWRITEBYTECODE=1")

function(resolvo_e2e_test name suite prefix)
    add_test(NAME ${name}
        COMMAND ${Python3_EXECUTABLE} -m unittest -v test_${suite}
        WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
    set_tests_properties(${name} PROPERTIES
        FIXTURES_REQUIRED ${prefix}
        RESOURCE_LOCK ${prefix}
        TIMEOUT 900
        ENVIRONMENT "${e2e_environment};${${prefix}_environment}")
endfunction()

foreach(suite windows winsock fix package hostile)
    resolvo_e2e_test(e2e_${suite} ${suite} wine)
endforeach()
resolvo_e2e_test(e2e_hostile_win32 hostile wine32)

# The download, made by its target in this build folder for the tests that
# unpack it; a plain build of everything leaves it out.
add_test(NAME make_package COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target package)
set_tests_properties(make_package PROPERTIES FIXTURES_SETUP package)
set_property(TEST e2e_package APPEND PROPERTY FIXTURES_REQUIRED package)

# Two clean builds of one commit give the same program and download: they are
# built again elsewhere and compared. The build under test is the windows
# preset's. It uses both cores, so the Wine tests, which wait with time limits,
# do not run beside it.
file(RELATIVE_PATH package_in_build ${CMAKE_BINARY_DIR} ${RESOLVO_PACKAGE})
add_test(NAME reproducible_build
    COMMAND ${PROJECT_SOURCE_DIR}/tests/reproducible/check-reproducible.sh
        ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR} windows
        $<PATH:RELATIVE_PATH,$<TARGET_FILE:resolvo>,${CMAKE_BINARY_DIR}> ${package_in_build})
set_tests_properties(reproducible_build PROPERTIES FIXTURES_REQUIRED package PROCESSORS 2 TIMEOUT 600)
