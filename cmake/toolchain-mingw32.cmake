# Cross build for 32-bit Windows with mingw-w64 (posix thread model): the
# plug-ins as the browser loads them, the 32-bit watch hook, and the whole
# product for 32-bit Windows. Its programs run here through WoW64 Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TB_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TB_MINGW_TRIPLE}-windres)
set(TB_WIDL ${TB_MINGW_TRIPLE}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${TB_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
