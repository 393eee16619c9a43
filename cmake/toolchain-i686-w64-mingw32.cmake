# Cross toolchain for the 32-bit Windows target: Debian's mingw-w64, posix-threads variant.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(QUORVEL_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORVEL_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVEL_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVEL_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every exe is linked statically, so it imports only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine, in the lane of the Wine session (cmake/wine-session.sh) that CTest
# gives them: cmake/wine-lane.sh picks the lane's CPU, display and prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_CURRENT_LIST_DIR}/wine-lane.sh)
