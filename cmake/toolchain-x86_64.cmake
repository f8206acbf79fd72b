# Cross toolchain for the x86_64 Windows target (mingw-w64, posix threads).
# The -posix compilers are required: GoogleTest needs std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TB_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${TB_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TB_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TB_TRIPLE}-windres)
set(CMAKE_OBJDUMP      ${TB_TRIPLE}-objdump CACHE FILEPATH "objdump for the target")

set(CMAKE_FIND_ROOT_PATH /usr/${TB_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
