# Cross-building the Windows program with MinGW-w64 (64-bit).
#
# The -posix compilers use the POSIX thread model, which gives GCC's standard
# library std::thread and std::mutex (GoogleTest needs them); everything is
# linked statically, so pomfy.exe and the test programs need no DLL beside
# them. Test programs run under Wine through scripts/wine-run, with a Wine
# prefix of their own inside the build folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(POMFY_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${POMFY_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${POMFY_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${POMFY_MINGW_PREFIX}-windres)
set(CMAKE_AR ${POMFY_MINGW_PREFIX}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${POMFY_MINGW_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")

set(CMAKE_FIND_ROOT_PATH /usr/${POMFY_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libgcc, libstdc++ or winpthread DLLs at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Targets named in add_test() run under Wine.
get_filename_component(POMFY_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${POMFY_SOURCE_ROOT}/scripts/wine-run --prefix ${CMAKE_BINARY_DIR}/wine)
