# Cross-compiles the Windows build on Debian with mingw-w64 (posix threads, so
# that std::thread works). Libraries and packages come from the mingw sysroot
# and from the unpacked Windows SDK (Qt, libsquish): $VANNERBY_WINDOWS_SDK, or
# build-windows-sdk/sdk in the checkout, where scripts/windows-sdk.sh puts it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(DEFINED ENV{VANNERBY_WINDOWS_SDK})
  set(VANNERBY_WINDOWS_SDK "$ENV{VANNERBY_WINDOWS_SDK}")
else()
  get_filename_component(VANNERBY_WINDOWS_SDK "${CMAKE_CURRENT_LIST_DIR}/../build-windows-sdk/sdk" ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${VANNERBY_WINDOWS_SDK})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and build-time tools run under Wine.
find_program(VANNERBY_WINE NAMES wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VANNERBY_WINE})
