# What a release publishes besides the download: the SHA-256 sums that users
# check it against, and the manifests with which winget and Scoop install it.
#
#   cmake --build --preset windows --target release
#
# writes, under release/ in the build folder:
#   resolvo-<version>-win32.zip and resolvo.exe   the download and its program
#   SHA256SUMS                                    both sums, as sha256sum -c reads them
#   manifests/<letter>/<Publisher>/<Name>/<version>/<Publisher>.<Name>{,.locale.en-US,.installer}.yaml
#                                                 winget's three manifests
#   resolvo.json                                  Scoop's manifest
# The manifests need the address the download will be published at, which no
# build can know: RESOLVO_RELEASE_URL gives it, with {version} where the
# version text goes. Without it the release holds everything but them. Every
# field comes from cmake/Version.cmake and the files built, so two builds of
# one commit give the same bytes, and nothing here uses the network.

set(RESOLVO_RELEASE_URL "" CACHE STRING
    "Address the download is published at, with {version} for the version (e.g. https://host/v{version}/resolvo-{version}-win32.zip)")
if(NOT RESOLVO_RELEASE_URL AND NOT "$ENV{RESOLVO_RELEASE_URL}" STREQUAL "")
    set_property(CACHE RESOLVO_RELEASE_URL PROPERTY VALUE "$ENV{RESOLVO_RELEASE_URL}")
endif()
# winget takes only http and https addresses; one without the version would
# send every later release's users to this one's file.
if(RESOLVO_RELEASE_URL AND NOT RESOLVO_RELEASE_URL MATCHES "^https?://[^/?#]+/.*{version}")
    message(FATAL_ERROR "RESOLVO_RELEASE_URL must be an http:// or https:// address with {version} in its path, "
        "such as https://downloads.example.com/v{version}/resolvo-{version}-win32.zip; it is "
        "'${RESOLVO_RELEASE_URL}'.")
endif()

# The product's description, as one JSON file for the script, its strings
# escaped as JSON wants.
set(release_info "{}")
foreach(field
        "publisher;${RESOLVO_COMPANY_NAME}" "name;${PROJECT_NAME}" "version;${RESOLVO_VERSION_TEXT}"
        "license;${RESOLVO_LICENSE}" "copyright;${RESOLVO_COPYRIGHT}" "homepage;${RESOLVO_HOMEPAGE}"
        "short_description;${RESOLVO_SHORT_DESCRIPTION}" "description;${RESOLVO_DESCRIPTION}"
        "program;${RESOLVO_ORIGINAL_FILENAME}" "command;${RESOLVO_INTERNAL_NAME}"
        "url_pattern;${RESOLVO_RELEASE_URL}")
    list(POP_FRONT field key)
    string(REPLACE "\\" "\\\\" field "${field}")
    string(REPLACE "\"" "\\\"" field "${field}")
    string(JSON release_info SET "${release_info}" ${key} "\"${field}\"")
endforeach()
set(RESOLVO_RELEASE_INFO ${CMAKE_BINARY_DIR}/release-info.json)
file(CONFIGURE OUTPUT ${RESOLVO_RELEASE_INFO} CONTENT "${release_info}\n" @ONLY)

set(RESOLVO_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
# Run at every build of the target: it takes a moment, and so what release/
# holds is always what this configuration says (no manifests left from an
# address since removed).
add_custom_target(release
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/make_release.py
        ${RESOLVO_RELEASE_INFO} ${RESOLVO_PACKAGE} ${RESOLVO_PACKAGED_EXE} ${RESOLVO_RELEASE_DIR}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_release.py ${RESOLVO_RELEASE_INFO} ${RESOLVO_PACKAGE}
    COMMENT "Writing the release to ${RESOLVO_RELEASE_DIR}"
    VERBATIM)
add_dependencies(release package)
