# A minimal Win32 window program, built exactly as resolvo.exe is, against
# which tools/figures.py measures the program's start-up time under Wine.
add_executable(minimal_window WIN32 MinimalWindow.cpp)
target_link_libraries(minimal_window PRIVATE resolvo_warnings)
target_compile_options(minimal_window PRIVATE -ffunction-sections -fdata-sections)
target_link_options(minimal_window PRIVATE -static -municode -Wl,--gc-sections -s)
