# The download: one zip with the program, the two registry files it imports
# and the guide for its users, all at the top level, so that unpacking it
# anywhere gives a folder Resolvo runs from.
#
#   cmake --build --preset windows --target package
#
# makes build/windows/resolvo-2.00-win32.zip. CPack's ZIP generator uses
# CMake's own archiver, so no zip program is needed.

install(TARGETS resolvo RUNTIME DESTINATION .)

# Windows users open the guide in Notepad, which before Windows 10 only knows
# CR LF line ends: they are made so here, whatever the checkout did to them.
# The title's underline follows the product name's length.
string(LENGTH "${RESOLVO_PRODUCT_NAME}" title_length)
string(REPEAT "=" ${title_length} RESOLVO_TITLE_UNDERLINE)
configure_file(${PROJECT_SOURCE_DIR}/resources/README.txt.in ${CMAKE_CURRENT_BINARY_DIR}/README.txt
    @ONLY NEWLINE_STYLE CRLF)
install(FILES
        ${PROJECT_SOURCE_DIR}/resources/winsock.reg
        ${PROJECT_SOURCE_DIR}/resources/winsock2.reg
        ${CMAKE_CURRENT_BINARY_DIR}/README.txt
    DESTINATION .)

set(RESOLVO_PACKAGE_BASE_NAME "${RESOLVO_INTERNAL_NAME}-${RESOLVO_VERSION_TEXT}-win32")
set(RESOLVO_PACKAGE "${CMAKE_BINARY_DIR}/${RESOLVO_PACKAGE_BASE_NAME}.zip")

set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME "${PROJECT_NAME}")
set(CPACK_PACKAGE_VENDOR "${PROJECT_NAME}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${RESOLVO_VERSION_TEXT}")
set(CPACK_PACKAGE_VERSION_MAJOR "${PROJECT_VERSION_MAJOR}")
set(CPACK_PACKAGE_VERSION_MINOR "${PROJECT_VERSION_MINOR}")
set(CPACK_PACKAGE_VERSION_PATCH "0")
set(CPACK_PACKAGE_FILE_NAME "${RESOLVO_PACKAGE_BASE_NAME}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
# The program is linked stripped already.
set(CPACK_STRIP_FILES OFF)
# Only the binary package is made; a source package would sweep up build/.
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build/")
include(CPack)
