# The product's name and version, from project() alone: the program's version
# record and manifest, the users' guide, the download's name and the tests'
# expectations all read them from here.
#
# resolvo_version puts the generated ResolvoVersion.h (and the manifest the
# resource script embeds) on the include path of whatever links to it.

# Windows wants four numbers; project(VERSION 2.0) gives two.
set(RESOLVO_VERSION_PATCH 0)
set(RESOLVO_VERSION_BUILD 0)
if(NOT PROJECT_VERSION_PATCH STREQUAL "")
    set(RESOLVO_VERSION_PATCH ${PROJECT_VERSION_PATCH})
endif()
if(NOT PROJECT_VERSION_TWEAK STREQUAL "")
    set(RESOLVO_VERSION_BUILD ${PROJECT_VERSION_TWEAK})
endif()
set(RESOLVO_VERSION_QUAD
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${RESOLVO_VERSION_PATCH}.${RESOLVO_VERSION_BUILD}")

# The product shows its version with the minor number in two digits (2.00),
# but names itself with it as written (Resolvo 2.0).
if(PROJECT_VERSION_MINOR LESS 10)
    set(RESOLVO_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}")
else()
    set(RESOLVO_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
endif()
set(RESOLVO_PRODUCT_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
set(RESOLVO_PRODUCT_NAME "${PROJECT_NAME} ${RESOLVO_PRODUCT_VERSION}")

string(TOLOWER "${PROJECT_NAME}" RESOLVO_INTERNAL_NAME)
set(RESOLVO_ORIGINAL_FILENAME "${RESOLVO_INTERNAL_NAME}.exe")
set(RESOLVO_COMPANY_NAME "${PROJECT_NAME}")
set(RESOLVO_FILE_DESCRIPTION "${PROJECT_NAME} DNS error fix")
# A fixed year, never the build's clock: it also dates the download's entries,
# and two builds of one commit must give the same bytes.
set(RESOLVO_COPYRIGHT_YEAR 2026)
set(RESOLVO_COPYRIGHT "Copyright © ${RESOLVO_COPYRIGHT_YEAR} ${RESOLVO_COMPANY_NAME}")

# What the package managers show of the product (cmake/Release.cmake): the
# publisher is the version record's company, the short description is
# project()'s, and the page is the product's web site, which also hosts the
# free-scan page the program opens and names the signature's publisher.
set(RESOLVO_FREESCAN_HOST "www.resolvo.example" CACHE STRING
    "Host of the product's web site, for its free-scan page")
set(RESOLVO_HOMEPAGE "http://${RESOLVO_FREESCAN_HOST}/")
set(RESOLVO_LICENSE "Freeware")
set(RESOLVO_SHORT_DESCRIPTION "${PROJECT_DESCRIPTION}")
set(RESOLVO_DESCRIPTION "${PROJECT_NAME} helps when a web browser shows DNS errors, or when one particular web site \
will not load. It resets the Winsock settings of the network stack to known-good ones, after saving the current \
ones, and then comments out every line of the hosts and lmhosts files that names the site you type, after backing \
both up. It runs on every Windows from XP to 11 as one program, with no installation, and asks for administrator \
rights when it starts.")

# The manifest names the processor the program is built for.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(RESOLVO_PROCESSOR_ARCHITECTURE amd64)
else()
    set(RESOLVO_PROCESSOR_ARCHITECTURE x86)
endif()

set(RESOLVO_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/ResolvoVersion.h.in ${RESOLVO_GENERATED_DIR}/ResolvoVersion.h @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/resources/resolvo.manifest.in ${RESOLVO_GENERATED_DIR}/resolvo.manifest
    @ONLY)

add_library(resolvo_version INTERFACE)
target_include_directories(resolvo_version INTERFACE ${RESOLVO_GENERATED_DIR})
