# Cross-compiles for Windows with Debian's mingw-w64 toolchain for
# CMAKE_SYSTEM_PROCESSOR, which the including toolchain file sets.
set(CMAKE_SYSTEM_NAME Windows)

set(toolchain_prefix ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
# The posix thread model gives std::mutex, which GoogleTest needs; linked
# statically it adds no DLL.
set(CMAKE_C_COMPILER ${toolchain_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${toolchain_prefix}-g++-posix)
# The same compiler with Windows' own thread model, whose runtime the program links.
set(RESOLVO_WIN32_THREADS_CXX ${toolchain_prefix}-g++-win32)
set(CMAKE_RC_COMPILER ${toolchain_prefix}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${toolchain_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Windows programs built here are run under Wine, in the build's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
