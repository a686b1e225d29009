# Cross-builds a static decoder.exe for 64-bit Windows with MinGW-w64 (Debian
# package g++-mingw-w64-x86-64-posix: the POSIX thread model, which std::thread
# needs):
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#   cmake --build build-win
# The tests build against GoogleTest from /usr/src/googletest (package
# googletest). With Wine installed, programs built here run under it
# (CMAKE_CROSSCOMPILING_EMULATOR), so `ctest --test-dir build-win` runs them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# printf and friends from the toolchain's C99 implementation: the decoder's
# formats (%hhu, %llu, %f rounding) must print as they do everywhere else.
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
# One file to copy onto a field laptop: no runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
find_program(DEC_WINE NAMES wine wine64)
if(DEC_WINE)
  # Without Wine's own diagnostics, which are not the programs' output.
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all ${DEC_WINE})
endif()
