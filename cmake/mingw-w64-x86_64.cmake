# Cross build for 64-bit Windows with MinGW-w64 (Debian packages
# g++-mingw-w64-x86-64-posix and mingw-w64). The posix flavour of the
# compilers gives std::thread and std::mutex. The GCC runtime, the C++
# library and winpthread are linked in statically, so the programs run on
# Windows (or under Wine) without their DLLs beside them.
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZEPHYN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZEPHYN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEPHYN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEPHYN_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW-w64 tree only; programs (code
# generators, the compiler cache) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ZEPHYN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

# Cross-built programs run through Wine, for the tests' discovery and runs.
find_program(ZEPHYN_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZEPHYN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZEPHYN_WINE})
endif()
