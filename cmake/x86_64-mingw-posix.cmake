# Cross toolchain: 64-bit Windows through MinGW-w64 (posix thread model).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_prefix x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-posix-common.cmake)
