# Signs a copy of the program with Authenticode (SHA-256), for the download.
# The signing time written into the signature is SOURCE_DATE_EPOCH or, without
# it, the time of the commit built, never the clock's: so the same commit and
# certificate always give the same bytes. A time-stamp server, when named,
# countersigns over the network, which a release wants (the signature then
# outlives the certificate) and which no two runs answer alike.
#
# cmake -D OSSLSIGNCODE=... -D PKCS12=... -D PASSWORD_FILE=... [-D TIMESTAMP_URL=...]
#       -D DESCRIPTION=... -D URL=... -D SOURCE_DIR=... -D INPUT=... -D OUTPUT=... -P Sign.cmake

if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(time "$ENV{SOURCE_DATE_EPOCH}")
    set(origin "SOURCE_DATE_EPOCH")
else()
    execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%ct
        OUTPUT_VARIABLE time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    set(origin "the commit's time")
endif()
if(NOT time MATCHES "^[0-9]+$")
    message(FATAL_ERROR "No signing time: ${origin} gave '${time}'. Set SOURCE_DATE_EPOCH to the "
        "release's time in whole seconds since 1970 (outside a git checkout it is needed).")
endif()

set(arguments sign -pkcs12 "${PKCS12}" -readpass "${PASSWORD_FILE}" -h sha256
    -n "${DESCRIPTION}" -i "${URL}" -time "${time}")
if(TIMESTAMP_URL)
    list(APPEND arguments -ts "${TIMESTAMP_URL}")
endif()
# osslsigncode writes no file over another; a failed run leaves none under
# the real name.
file(REMOVE "${OUTPUT}.partial")
execute_process(COMMAND "${OSSLSIGNCODE}" ${arguments} -in "${INPUT}" -out "${OUTPUT}.partial"
    OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE failed)
if(failed)
    file(REMOVE "${OUTPUT}.partial")
    message(FATAL_ERROR "Signing ${INPUT} failed:\n${output}")
endif()
file(RENAME "${OUTPUT}.partial" "${OUTPUT}")
