# Windows-side tests, under Wine in private prefixes in this build folder, each with its own Xvfb display, made and
# ended (with every process) by a fixture. Where this machine runs 32-bit code (tools/wine-bits.sh), the shipped
# 32-bit build runs every suite in a 64-bit prefix and the hostile-machine suite again in a 32-bit one, and the 64-bit
# twin only its unit tests; elsewhere (or with RESOLVO_WINE_BITS=64) the 64-bit twin runs every suite.
execute_process(COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-bits.sh OUTPUT_VARIABLE wine_bits
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
math(EXPR build_bits "${CMAKE_SIZEOF_VOID_P} * 8")
set(no_32_bit_code "this machine runs no 32-bit code")
if(wine_bits EQUAL 64 AND NOT "$ENV{RESOLVO_WINE_BITS}" STREQUAL "")
    set(no_32_bit_code "RESOLVO_WINE_BITS=64 acts as if this machine ran no 32-bit code")
endif()
message(STATUS "Windows programs run here with Wine's ${wine_bits}-bit loader; this build is ${build_bits}-bit")

# A test this machine cannot run is listed, by a name that says why, as skipped.
function(resolvo_not_run name reason)
    add_test(NAME "${name} (not run: ${reason})" COMMAND ${CMAKE_COMMAND} -E echo "not run: ${reason}")
    set_tests_properties("${name} (not run: ${reason})" PROPERTIES SKIP_REGULAR_EXPRESSION "not run: ")
endfunction()

add_executable(file_holder support/FileHolder.cpp)
add_executable(window_probe support/WindowProbe.cpp)
target_include_directories(window_probe PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(window_probe PRIVATE oleacc ole32 oleaut32 gdi32)
add_executable(shell_probe support/ShellProbe.cpp)
target_link_libraries(shell_probe PRIVATE ole32 oleaut32 uuid advapi32)
add_library(planted_library SHARED support/PlantedLibrary.cpp)
set_target_properties(planted_library PROPERTIES PREFIX "")
add_executable(win32_tests win32/Win32PlatformTest.cpp win32/AccessibilityTest.cpp support/TempDir.cpp)
target_include_directories(win32_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(win32_tests PRIVATE resolvo_win32 GTest::gtest_main oleacc)
add_dependencies(win32_tests recording_stub planted_library)
target_link_options(file_holder PRIVATE -static -municode)
target_link_options(window_probe PRIVATE -static -municode)
target_link_options(shell_probe PRIVATE -static -municode)
target_link_options(win32_tests PRIVATE -static)
target_link_options(planted_library PRIVATE -static)

# The build's programs, and what it calls the product, for the tests to expect.
set(test_environment
    "RESOLVO_EXE=$<TARGET_FILE:resolvo>" "RESOLVO_STUB=$<TARGET_FILE:recording_stub>"
    "RESOLVO_HOLDER=$<TARGET_FILE:file_holder>" "RESOLVO_PROBE=$<TARGET_FILE:window_probe>"
    "RESOLVO_SHELL_PROBE=$<TARGET_FILE:shell_probe>" "RESOLVO_PLANTED=$<TARGET_FILE:planted_library>"
    "RESOLVO_RESOURCES=${PROJECT_SOURCE_DIR}/resources" "RESOLVO_COMPANY_NAME=${RESOLVO_COMPANY_NAME}"
    "RESOLVO_SCREENSHOTS=${CMAKE_BINARY_DIR}/screenshots" "RESOLVO_PRODUCT_NAME=${RESOLVO_PRODUCT_NAME}"
    "RESOLVO_VERSION_TEXT=${RESOLVO_VERSION_TEXT}" "RESOLVO_VERSION=${RESOLVO_VERSION_QUAD}" "PYTHONDONTWRITEBYTECODE=1")

# What is shipped (only the 32-bit build is) read back from the files: the download is made for it.
if(build_bits EQUAL 32)
    add_test(NAME make_package COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target package release)
    set_tests_properties(make_package PROPERTIES FIXTURES_SETUP package)

    add_test(NAME resources COMMAND ${PROJECT_SOURCE_DIR}/tests/resources/check-resources.sh
        ${RESOLVO_PACKAGED_EXE} ${RESOLVO_PACKAGE})
    set_tests_properties(resources PROPERTIES FIXTURES_REQUIRED package ENVIRONMENT "${test_environment}")

    # The program links the runtime built for Windows' own threads: no object asks for a posix thread function.
    set(product_archives)
    foreach(layer ui win32 fix namefiles winsock port)
        list(APPEND product_archives $<TARGET_FILE:resolvo_${layer}>)
    endforeach()
    # CMake hands the object list over as one argument, joined by ";".
    add_test(NAME single_threaded COMMAND sh -c [[
        undefined=$(printf '%s\n' "$@" | tr ';' '\n' | xargs "$0" -u) &&
        ! printf '%s\n' "$undefined" | grep -E 'pthread|gthr|emutls']]
        ${CMAKE_NM} ${product_archives} "$<FILTER:$<TARGET_OBJECTS:resolvo>,EXCLUDE,\\.res$>")

    # Built again elsewhere, signed and not, on both cores: the Wine tests, which wait with time limits, wait for it.
    file(RELATIVE_PATH package_in_build ${CMAKE_BINARY_DIR} ${RESOLVO_PACKAGE})
    add_test(NAME reproducible_build COMMAND ${PROJECT_SOURCE_DIR}/tests/reproducible/check-reproducible.sh
        ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR} windows
        $<PATH:RELATIVE_PATH,$<TARGET_FILE:resolvo>,${CMAKE_BINARY_DIR}> ${package_in_build})
    set_tests_properties(reproducible_build PROPERTIES FIXTURES_REQUIRED package PROCESSORS 2 TIMEOUT 600)

    # The release, built twice elsewhere with a made-up address (no network).
    add_test(NAME release COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/release/check-release.py
        ${PROJECT_SOURCE_DIR} windows)
    set_tests_properties(release PROPERTIES PROCESSORS 2 TIMEOUT 600 ENVIRONMENT "${test_environment}")
endif()

if(build_bits EQUAL 32 AND wine_bits EQUAL 64)
    foreach(test win32_tests e2e_windows e2e_fix e2e_hostile)
        resolvo_not_run(${test} "${no_32_bit_code}; windows64 runs it")
    endforeach()
    resolvo_not_run(e2e_hostile_win32 "${no_32_bit_code}, so it has no 32-bit prefix")
    return()
endif()

# Making a prefix runs wineboot, which is slow on a busy machine.
function(resolvo_wine_fixture prefix)
    set(environment "RESOLVO_WINE_STATE=${CMAKE_BINARY_DIR}/${prefix}" "RESOLVO_WINE_BITS=${wine_bits}" ${ARGN})
    set(${prefix}_environment ${environment} PARENT_SCOPE)
    add_test(NAME ${prefix}_setup COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-fixture.sh start)
    add_test(NAME ${prefix}_cleanup COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-fixture.sh stop)
    set_tests_properties(${prefix}_setup ${prefix}_cleanup PROPERTIES TIMEOUT 300 ENVIRONMENT "${environment}")
    set_tests_properties(${prefix}_setup PROPERTIES FIXTURES_SETUP ${prefix})
    set_tests_properties(${prefix}_cleanup PROPERTIES FIXTURES_CLEANUP ${prefix})
endfunction()

function(resolvo_wine_test name prefix)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${prefix} RESOURCE_LOCK ${prefix}
        ENVIRONMENT "${test_environment};${${prefix}_environment}" ${ARGN})
endfunction()

resolvo_wine_fixture(wine)
add_test(NAME win32_tests COMMAND win32_tests)
resolvo_wine_test(win32_tests wine TIMEOUT 300)

# The whole program, on the build that Wine runs here.
if(build_bits EQUAL wine_bits)
    foreach(suite windows fix hostile)
        add_test(NAME e2e_${suite} COMMAND ${Python3_EXECUTABLE} -m unittest -v test_${suite}
            WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
        resolvo_wine_test(e2e_${suite} wine TIMEOUT 900)
    endforeach()
endif()
if(build_bits EQUAL 32)
    resolvo_wine_fixture(wine32 "WINEARCH=win32")
    add_test(NAME e2e_hostile_win32 COMMAND ${Python3_EXECUTABLE} -m unittest -v test_hostile
        WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
    resolvo_wine_test(e2e_hostile_win32 wine32 TIMEOUT 900)
endif()
