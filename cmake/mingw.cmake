# Shared part of the toolchain files for the Windows program: Debian's
# mingw-w64 cross compilers for BSA_MINGW_TRIPLE, in their posix thread
# variant (the one whose libstdc++ has std::thread), and the target's own
# headers and libraries only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${BSA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BSA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BSA_MINGW_TRIPLE}-windres)
# Windows keeps the stack 16-byte aligned at best, while GCC may spill
# 32-byte vectors with aligned moves: the assembler makes every such move an
# unaligned one, which costs nothing on processors that have AVX.
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
set(CMAKE_FIND_ROOT_PATH /usr/${BSA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
