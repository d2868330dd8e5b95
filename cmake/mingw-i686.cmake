# The shipped program: 32-bit Windows, which runs on every Windows from XP on.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
