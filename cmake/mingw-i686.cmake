# Cross toolchain: 32-bit Windows with mingw-w64 (posix thread model), static runtime.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(_prefix i686-w64-mingw32)
find_program(_cc  ${_prefix}-gcc-posix)
find_program(_cxx ${_prefix}-g++-posix)
find_program(_rc  ${_prefix}-windres)
if(NOT _cc OR NOT _cxx OR NOT _rc)
    message(FATAL_ERROR "mingw-w64 i686 (posix) not found: install g++-mingw-w64-i686-posix "
                        "and binutils-mingw-w64-i686 (scripts/lib/install-deps does)")
endif()
set(CMAKE_C_COMPILER ${_cc})
set(CMAKE_CXX_COMPILER ${_cxx})
set(CMAKE_RC_COMPILER ${_rc})

set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest runs the Windows programs under Wine; code page 932 comes from the Japanese locale.
find_program(_wine wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR env LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all ${_wine})
