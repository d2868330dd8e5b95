# The download: one zip with the program, the two registry files it imports
# and the guide for its users, all at the top level, so that unpacking it
# anywhere gives a folder Resolvo runs from.
#
#   cmake --build --preset windows --target package
#
# makes resolvo-<version text>-win32.zip in the build folder. Two builds of
# one commit make the same bytes (tests/reproducible/), which CPack's zip,
# with each file's time, owner and permissions in it, did not.

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Windows users open the guide in Notepad, which before Windows 10 only knows
# CR LF line ends: they are made so here, whatever the checkout did to them.
# The title's underline follows the product name's length.
string(LENGTH "${RESOLVO_PRODUCT_NAME}" title_length)
string(REPEAT "=" ${title_length} RESOLVO_TITLE_UNDERLINE)
configure_file(${PROJECT_SOURCE_DIR}/resources/README.txt.in ${CMAKE_CURRENT_BINARY_DIR}/README.txt
    @ONLY NEWLINE_STYLE CRLF)

set(RESOLVO_PACKAGE "${CMAKE_BINARY_DIR}/${RESOLVO_INTERNAL_NAME}-${RESOLVO_VERSION_TEXT}-win32.zip")
# In this order in the zip.
set(package_files
    ${CMAKE_CURRENT_BINARY_DIR}/README.txt
    $<TARGET_FILE:resolvo>
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
