# Settings every target of the project shares.
add_library(vannerby_common INTERFACE)
target_compile_features(vannerby_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(vannerby_common INTERFACE
  -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Wold-style-cast)
target_compile_definitions(vannerby_common INTERFACE
  VANNERBY_VERSION="${PROJECT_VERSION}"
  QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT)

# Runs a test with its own empty config, data, temp and home folders and Wine
# prefix, so that no test ever reads or writes a real user's settings or files.
function(vannerby_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE vannerby_common ${T_LIBS} GTest::gtest GTest::gtest_main)
  set(sandbox ${CMAKE_BINARY_DIR}/test-sandbox/${name})
  file(MAKE_DIRECTORY ${sandbox}/config ${sandbox}/tmp ${sandbox}/home ${sandbox}/data)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    LABELS "${T_LABELS}"
    ENVIRONMENT "XDG_CONFIG_HOME=${sandbox}/config;XDG_DATA_HOME=${sandbox}/data;WINEPREFIX=${sandbox}/wine;TMPDIR=${sandbox}/tmp;HOME=${sandbox}/home;QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;TZ=Europe/Berlin;VANNERBY_BIN=${CMAKE_BINARY_DIR}/bin")
endfunction()
