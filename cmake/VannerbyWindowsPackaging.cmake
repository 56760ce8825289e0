# The Windows download: a portable ZIP and an NSIS installer (cpack in the
# windows build). Both hold the two programs, vannerby-cli's picture library, the Qt and compiler DLLs the
# viewer needs, Qt's windows platform, style and picture plugins, Qt's German
# texts, the complete German language file the viewer wrote at build time, the
# English one and a German README.txt.

# Product strings, as the top-level CMakeLists.txt defines them.
set(sdk ${VANNERBY_WINDOWS_SDK})
set(win_src ${PROJECT_SOURCE_DIR}/packaging/windows)
set(win_out ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${win_out})

# What vannerby.exe, the picture library vannerby-cli.exe loads to convert, and
# the plugins load, beyond Windows' own DLLs. PackageWindowsTest checks that this is the whole set.
set(runtime_dlls Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll
  libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
# Plugins by folder: the window itself, Windows' look, and the picture formats
# the preview reads beyond Qt's built-in PNG and BMP.
set(plugins platforms/qwindows.dll styles/qwindowsvistastyle.dll
  imageformats/qgif.dll imageformats/qico.dll imageformats/qjpeg.dll)
find_file(VANNERBY_QTBASE_DE qtbase_de.qm PATHS /usr/share/qt6/translations
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# The same files beside the programs in the build folder, so that vannerby.exe
# runs there as it will once installed; the offscreen platform only for the tests.
set(deployed)
foreach(file ${runtime_dlls})
  list(APPEND deploy_pairs ${sdk}/bin/${file} ${CMAKE_BINARY_DIR}/bin/${file})
endforeach()
foreach(file ${plugins} platforms/qoffscreen.dll)
  list(APPEND deploy_pairs ${sdk}/plugins/${file} ${CMAKE_BINARY_DIR}/bin/${file})
endforeach()
list(APPEND deploy_pairs ${VANNERBY_QTBASE_DE} ${CMAKE_BINARY_DIR}/bin/translations/qtbase_de.qm)
while(deploy_pairs)
  list(POP_FRONT deploy_pairs from to)
  add_custom_command(OUTPUT ${to}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${from} ${to}
    DEPENDS ${from})
  list(APPEND deployed ${to})
endwhile()
add_custom_target(vannerby_deploy ALL DEPENDS ${deployed})

# Windows' editor reads UTF-8 with a byte order mark and CRLF everywhere.
configure_file(${win_src}/README.txt.in ${win_out}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${win_src}/LICENSE.txt.in ${win_out}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${win_src}/uninstall.nsh.in ${win_out}/uninstall.nsh @ONLY)

install(TARGETS vannerby vannerby-cli RUNTIME DESTINATION .)
install(TARGETS vannerby-pictures LIBRARY DESTINATION .)
foreach(file ${runtime_dlls})
  install(FILES ${sdk}/bin/${file} DESTINATION .)
endforeach()
foreach(file ${plugins})
  get_filename_component(folder ${file} DIRECTORY)
  install(FILES ${sdk}/plugins/${file} DESTINATION ${folder})
endforeach()
install(FILES ${VANNERBY_QTBASE_DE} DESTINATION translations)
install(FILES ${CMAKE_BINARY_DIR}/bin/vannerby.lng ${PROJECT_SOURCE_DIR}/packaging/vannerby.en.lng
  ${win_out}/README.txt DESTINATION .)

set(CPACK_PACKAGE_NAME vannerby)
set(CPACK_PACKAGE_VENDOR "${VANNERBY_MAKER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${VANNERBY_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME "vannerby-${PROJECT_VERSION}-windows-x64")
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Vannerby")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Vannerby-Setup")
set(CPACK_PACKAGE_EXECUTABLES vannerby "Vannerby")
set(CPACK_RESOURCE_FILE_LICENSE ${win_out}/LICENSE.txt)
# Installs below "Programme" (64-bit), the folder the user may change.
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# The installer's title and the start-menu folder.
set(CPACK_NSIS_PACKAGE_NAME "${VANNERBY_PRODUCT_NAME}")
set(CPACK_NSIS_DISPLAY_NAME "${VANNERBY_PRODUCT_NAME}")
set(CPACK_NSIS_INSTALLED_ICON_NAME vannerby.exe)
set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/src/app/vannerby.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_BINARY_DIR}/src/app/vannerby.ico)
set(CPACK_NSIS_URL_INFO_ABOUT "${VANNERBY_WEB_URL}")
set(CPACK_NSIS_CONTACT "${VANNERBY_MAIL}")
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# A 64-bit installer with Unicode texts, for the 64-bit program it installs.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!include '${win_out}/uninstall.nsh'")
# The installer's own name differs from the ZIP's.
configure_file(${win_src}/CPackOptions.cmake.in ${win_out}/CPackOptions.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${win_out}/CPackOptions.cmake)
include(CPack)
