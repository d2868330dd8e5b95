# The same sources for 64-bit Windows: the twin that the Wine suites run on
# machines that run no 32-bit code. It is never shipped.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
