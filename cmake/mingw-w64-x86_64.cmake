# Cross-compiling for 64-bit Windows with MinGW-w64, the POSIX-threads flavour (Debian
# g++-mingw-w64-x86-64-posix): std::thread and std::mutex need it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QLCOS_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QLCOS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QLCOS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QLCOS_MINGW_TRIPLE}-windres)

# Libraries and headers come from the MinGW-w64 tree and the prefixes given in
# CMAKE_PREFIX_PATH (the cross-built dependencies), never from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QLCOS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The prefixes in CMAKE_PREFIX_PATH are searched as they are, not below the root path.
list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})

# Programs built for Windows run on the build machine through Wine (test discovery).
find_program(QLCOS_WINE NAMES wine64 wine)
if(QLCOS_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QLCOS_WINE})
endif()
