# Settings every target of the project shares.
add_library(vannerby_common INTERFACE)
target_compile_features(vannerby_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(vannerby_common INTERFACE
  -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Wold-style-cast)
target_compile_definitions(vannerby_common INTERFACE
  VANNERBY_VERSION="${PROJECT_VERSION}"
  QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  # Debian's hardening (what dpkg-buildflags hands a package build), so that the
  # package's programs are built as Debian builds its own. Fortify needs the
  # optimiser, so a debug build goes without it.
  target_compile_options(vannerby_common INTERFACE
    -fstack-protector-strong -Wformat -Werror=format-security
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  target_link_options(vannerby_common INTERFACE LINKER:-z,relro LINKER:-z,now)
  # No other library ever replaces a function of ours, so position-independent
  # code (the libraries in vannerby-pictures) is optimised as a program's is.
  target_compile_options(vannerby_common INTERFACE -fno-semantic-interposition)
endif()
if(WIN32)
  # The wide-character API throughout, on Windows 10 and later.
  target_compile_definitions(vannerby_common INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
  if(NOT VANNERBY_WITH_QT)
    # Without Qt's DLLs, the programs need no DLL of the compiler beside them.
    # With Qt, Qt's DLLs and the programs share the compiler's DLLs.
    target_link_options(vannerby_common INTERFACE -static)
  endif()
endif()

# Runs a test with its own empty config, data, temp and home folders and Wine
# prefix, so that no test ever reads or writes a real user's settings or files.
# In the Windows build every test runs under Wine, in one throw-away prefix of
# the build folder (made once by the wine_prefix fixture); tests that use the
# registry take the REGISTRY lock, so that they never run at the same time.
function(vannerby_add_test name)
  cmake_parse_arguments(T "REGISTRY" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE vannerby_common ${T_LIBS} GTest::gtest GTest::gtest_main)
  set(sandbox ${CMAKE_BINARY_DIR}/test-sandbox/${name})
  file(MAKE_DIRECTORY ${sandbox}/config ${sandbox}/tmp ${sandbox}/home ${sandbox}/data)
  add_test(NAME ${name} COMMAND ${name})
  if(WIN32)
    # The programs under test, as a Windows path (Wine's Z: drive is /).
    string(REPLACE "/" "\\" bin "Z:${CMAKE_BINARY_DIR}/bin")
    # Qt's and the compiler's DLLs, for the programs that do not link statically.
    string(REPLACE "/" "\\" sdk_bin "Z:${VANNERBY_WINDOWS_SDK}/bin")
    # Every test sees the virtual X display, not only those that show windows:
    # the first program of a Wine session starts its desktop, and a desktop
    # started without a display leaves the later programs' windows dead.
    set_tests_properties(${name} PROPERTIES
      LABELS "${T_LABELS}"
      FIXTURES_REQUIRED "wine_prefix;xvfb"
      ENVIRONMENT "WINEPREFIX=${VANNERBY_WINE_PREFIX};WINEDEBUG=-all;DISPLAY=${VANNERBY_TEST_DISPLAY};QT_QPA_PLATFORM=offscreen;TZ=Europe/Berlin;VANNERBY_BIN=${bin};WINEPATH=${sdk_bin}")
    if(T_REGISTRY)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK registry)
    endif()
  else()
    set_tests_properties(${name} PROPERTIES
      LABELS "${T_LABELS}"
      ENVIRONMENT "XDG_CONFIG_HOME=${sandbox}/config;XDG_DATA_HOME=${sandbox}/data;WINEPREFIX=${sandbox}/wine;TMPDIR=${sandbox}/tmp;HOME=${sandbox}/home;QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;TZ=Europe/Berlin;VANNERBY_BIN=${CMAKE_BINARY_DIR}/bin")
  endif()
endfunction()
