# The download: one zip with the program, the two registry files it imports
# and the guide for its users, all at the top level, so that unpacking it
# anywhere gives a folder Resolvo runs from.
#
#   cmake --build --preset windows --target package
#
# makes resolvo-<version text>-win32.zip in the build folder, its program
# signed when a certificate is given. Two builds of one commit make the same
# bytes (tests/reproducible/), which CPack's zip, with each file's time, owner
# and permissions in it, did not.

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# The download's guide is the users' guide itself, made plain text for
# Notepad (CR LF line ends, which Notepad before Windows 10 needs), under the
# product's name and version as its title: one text, which cannot drift.
set(RESOLVO_GUIDE ${PROJECT_SOURCE_DIR}/docs/users-guide.md)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/README.txt
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/guide_to_text.py
        ${RESOLVO_GUIDE} ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${RESOLVO_PRODUCT_NAME}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/guide_to_text.py ${RESOLVO_GUIDE}
    COMMENT "Writing README.txt from ${RESOLVO_GUIDE}"
    VERBATIM)

set(RESOLVO_PACKAGE "${CMAKE_BINARY_DIR}/${RESOLVO_INTERNAL_NAME}-${RESOLVO_VERSION_TEXT}-win32.zip")

# Signing, with the maintainer's certificate: a PKCS#12 file and a file that
# holds its password (never the password itself, which would show in the
# build's command lines), named here or, when left empty, by environment
# variables of the same names at configure time. The download then holds a
# signed copy, signed/resolvo.exe. The program the build links stays unsigned,
# so that it is the same whoever builds it, and the tests run that one:
# signing only appends the signature and fills in the header's checksum and
# pointer to it, so the copy runs as the tested program does.
set(RESOLVO_SIGN_PKCS12 "" CACHE FILEPATH "PKCS#12 file of the code-signing certificate")
set(RESOLVO_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File holding the PKCS#12 file's password")
set(RESOLVO_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server for a release (network)")
foreach(setting RESOLVO_SIGN_PKCS12 RESOLVO_SIGN_PASSWORD_FILE RESOLVO_SIGN_TIMESTAMP_URL)
    if(NOT ${setting} AND NOT "$ENV{${setting}}" STREQUAL "")
        set_property(CACHE ${setting} PROPERTY VALUE "$ENV{${setting}}")
    endif()
endforeach()
if(RESOLVO_SIGN_PKCS12 OR RESOLVO_SIGN_PASSWORD_FILE)
    foreach(file RESOLVO_SIGN_PKCS12 RESOLVO_SIGN_PASSWORD_FILE)
        if(NOT IS_ABSOLUTE "${${file}}" OR NOT EXISTS "${${file}}")
            message(FATAL_ERROR "Signing needs RESOLVO_SIGN_PKCS12 and RESOLVO_SIGN_PASSWORD_FILE, each "
                "the absolute path of a file; ${file} is '${${file}}'.")
        endif()
    endforeach()
    find_program(RESOLVO_OSSLSIGNCODE osslsigncode REQUIRED)
    set(RESOLVO_PACKAGED_EXE ${CMAKE_BINARY_DIR}/signed/${RESOLVO_INTERNAL_NAME}.exe)
    add_custom_command(OUTPUT ${RESOLVO_PACKAGED_EXE}
        COMMAND ${CMAKE_COMMAND} -D OSSLSIGNCODE=${RESOLVO_OSSLSIGNCODE} -D PKCS12=${RESOLVO_SIGN_PKCS12}
            -D PASSWORD_FILE=${RESOLVO_SIGN_PASSWORD_FILE} -D TIMESTAMP_URL=${RESOLVO_SIGN_TIMESTAMP_URL}
            -D DESCRIPTION=${RESOLVO_PRODUCT_NAME} -D URL=${RESOLVO_HOMEPAGE}
            -D SOURCE_DIR=${PROJECT_SOURCE_DIR} -D INPUT=$<TARGET_FILE:resolvo> -D OUTPUT=${RESOLVO_PACKAGED_EXE}
            -P ${CMAKE_CURRENT_LIST_DIR}/Sign.cmake
        DEPENDS ${CMAKE_CURRENT_LIST_DIR}/Sign.cmake resolvo ${RESOLVO_SIGN_PKCS12}
        COMMENT "Signing ${RESOLVO_PACKAGED_EXE}"
        VERBATIM)
    message(STATUS "The download's resolvo.exe is signed with ${RESOLVO_SIGN_PKCS12}")
else()
    set(RESOLVO_PACKAGED_EXE $<TARGET_FILE:resolvo>)
    message(STATUS "The download's resolvo.exe is not signed: no RESOLVO_SIGN_PKCS12 and "
        "RESOLVO_SIGN_PASSWORD_FILE given")
endif()

# In this order in the zip.
set(package_files
    ${CMAKE_CURRENT_BINARY_DIR}/README.txt
    ${RESOLVO_PACKAGED_EXE}
    ${PROJECT_SOURCE_DIR}/resources/winsock.reg
    ${PROJECT_SOURCE_DIR}/resources/winsock2.reg)
add_custom_command(OUTPUT ${RESOLVO_PACKAGE}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/make_zip.py
        ${RESOLVO_PACKAGE} ${RESOLVO_COPYRIGHT_YEAR}-01-01 ${package_files}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_zip.py resolvo ${package_files}
    COMMENT "Packing ${RESOLVO_PACKAGE}"
    VERBATIM)
# A build folder configured when CPack made the download still holds CPack's
# configuration, and CMake refuses the name package while it is there.
file(REMOVE ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${CMAKE_BINARY_DIR}/CPackSourceConfig.cmake)
add_custom_target(package DEPENDS ${RESOLVO_PACKAGE})

# The files a release publishes, made from this download.
include(${CMAKE_CURRENT_LIST_DIR}/Release.cmake)
