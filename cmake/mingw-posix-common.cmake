# What both cross toolchains share: MinGW-w64 with the posix thread model, for the
# target named by _prefix (set by the including toolchain file).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_prefix}-g++-posix)
set(CMAKE_RC_COMPILER  ${_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Everything static: one .exe that needs nothing beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
