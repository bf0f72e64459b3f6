# Cross build for 64-bit Windows with MinGW-w64 (the POSIX thread model, for std::thread), on a
# Linux machine. The programs are linked statically, libgcc, libstdc++ and winpthread included, so
# that each .exe runs on its own, under Wine too. Tests run under Wine, in a Wine prefix of the
# build folder's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARNEL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VARNEL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNEL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VARNEL_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARNEL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest runs the programs under Wine where it is installed. WINEDEBUG=-all keeps Wine's own notes
# out of the tests' output, and the Mono and Gecko add-ons are never offered.
find_program(VARNEL_WINE NAMES wine wine64)
if(VARNEL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
        WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix ${VARNEL_WINE})
endif()
