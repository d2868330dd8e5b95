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
configure_file(${PROJECT_SOURCE_DIR}/resources/README.txt ${CMAKE_CURRENT_BINARY_DIR}/README.txt
    @ONLY NEWLINE_STYLE CRLF)
install(FILES
        ${PROJECT_SOURCE_DIR}/resources/winsock.reg
        ${PROJECT_SOURCE_DIR}/resources/winsock2.reg
        ${CMAKE_CURRENT_BINARY_DIR}/README.txt
    DESTINATION .)

# The version as the product shows it, with the minor number in two digits.
if(PROJECT_VERSION_MINOR LESS 10)
    set(RESOLVO_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}")
else()
    set(RESOLVO_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
endif()
string(TOLOWER "${PROJECT_NAME}" resolvo_package_base)

set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME "${PROJECT_NAME}")
set(CPACK_PACKAGE_VENDOR "${PROJECT_NAME}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${RESOLVO_PACKAGE_VERSION}")
set(CPACK_PACKAGE_VERSION_MAJOR "${PROJECT_VERSION_MAJOR}")
set(CPACK_PACKAGE_VERSION_MINOR "${PROJECT_VERSION_MINOR}")
set(CPACK_PACKAGE_VERSION_PATCH "0")
set(CPACK_PACKAGE_FILE_NAME "${resolvo_package_base}-${RESOLVO_PACKAGE_VERSION}-win32")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
# The program is linked stripped already.
set(CPACK_STRIP_FILES OFF)
# Only the binary package is made; a source package would sweep up build/.
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build/")
include(CPack)
