# Cross build for 64-bit Windows with Debian's mingw-w64 (the POSIX-threads
# flavour, for std::thread), e.g.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The programs link statically, so they run without the compiler's DLLs.
# T418_MINGW_PREFIX: where the libraries built for Windows (GoogleTest) and
# the header-only ones are installed; scripts/test-windows fills it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(T418_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${T418_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${T418_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${T418_MINGW_TRIPLET}-windres)

set(T418_MINGW_PREFIX "" CACHE PATH "Libraries built for Windows")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES T418_MINGW_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${T418_MINGW_TRIPLET})
if(T418_MINGW_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${T418_MINGW_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Windows 7 and later; Unicode calls by default.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)

# ctest and the build's own runs of a program go through Wine.
find_program(T418_WINE wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(T418_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${T418_WINE})
endif()
