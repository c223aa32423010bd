# Cross toolchain: 32-bit Windows through MinGW-w64 (posix thread model).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(_prefix i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-posix-common.cmake)

# Float arithmetic in SSE registers, as the 64-bit build does: x87 registers keep extra
# bits, so a running single-precision value would not be single at every step.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
