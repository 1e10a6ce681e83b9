# Cross toolchain for the 32-bit Windows build: mingw-w64 i686, posix threads, static executables.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(BRIGHTWELL_MINGW_TRIPLET i686-w64-mingw32)
# The posix thread model gives std::mutex and std::thread, which GoogleTest needs.
set(CMAKE_C_COMPILER ${BRIGHTWELL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRIGHTWELL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BRIGHTWELL_MINGW_TRIPLET}-windres)

# No runtime DLLs beside the executable: libstdc++, libgcc and winpthread go in statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(CMAKE_FIND_ROOT_PATH /usr/${BRIGHTWELL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest and try_run start the Windows programs under Wine.
get_filename_component(_brightwell_source_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_brightwell_source_root}/scripts/wine-run.sh")
