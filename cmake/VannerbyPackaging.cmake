# Installation and the Debian package: the viewer in its own folder with its
# language file (bin/vannerby links to it), vannerby-cli, the desktop entry, the
# MIME type, the icon in five sizes, the man pages, an English language file and
# the package's copyright file and changelog.
# The files that come from the program itself are made at build time.

# Product strings; the top-level CMakeLists.txt may define them first.
if(NOT DEFINED VANNERBY_PRODUCT_NAME)
  set(VANNERBY_PRODUCT_NAME "Vannerby")
endif()
if(NOT DEFINED VANNERBY_DESCRIPTION)
  set(VANNERBY_DESCRIPTION "Viewer and extractor for the PAK archives of the Modellwelt railway simulator")
endif()
if(NOT DEFINED VANNERBY_MAKER)
  set(VANNERBY_MAKER "Brindlecote")
endif()
if(NOT DEFINED VANNERBY_WEB_URL)
  set(VANNERBY_WEB_URL "https://www.example.org/vannerby/")
endif()
if(NOT DEFINED VANNERBY_MAIL)
  set(VANNERBY_MAIL "vannerby@example.org")
endif()
if(NOT DEFINED VANNERBY_COPYRIGHT)
  set(VANNERBY_COPYRIGHT "Copyright © 2026 ${VANNERBY_MAKER}")
endif()

include(GNUInstallDirs)
set(pkg_src ${PROJECT_SOURCE_DIR}/packaging)
set(pkg_out ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${pkg_out})

# The German language file, written by the viewer itself: it opens every
# window offscreen, in a sandbox, so that the builder's own settings are never read.
set(lng_sandbox ${pkg_out}/lng-sandbox)
set(lng_file ${pkg_out}/vannerby.lng)
add_custom_command(OUTPUT ${lng_file}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${lng_sandbox}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${lng_sandbox}/config ${lng_sandbox}/data
          ${lng_sandbox}/home ${lng_sandbox}/tmp
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          XDG_CONFIG_HOME=${lng_sandbox}/config XDG_DATA_HOME=${lng_sandbox}/data
          HOME=${lng_sandbox}/home TMPDIR=${lng_sandbox}/tmp WINEPREFIX=${lng_sandbox}/wine
          $<TARGET_FILE:vannerby> --write-language-file ${lng_file}
  DEPENDS vannerby
  COMMENT "Writing the German language file")

# The desktop entry and the MIME package, from the texts the association uses.
add_executable(vannerby-desktopfiles ${PROJECT_SOURCE_DIR}/tools/desktopfiles/desktopfiles.cpp)
target_link_libraries(vannerby-desktopfiles PRIVATE vannerby_common vannerby_settings)
set(desktop_files ${pkg_out}/vannerby.desktop ${pkg_out}/vannerby.xml)
add_custom_command(OUTPUT ${desktop_files}
  COMMAND vannerby-desktopfiles ${pkg_out}
  DEPENDS vannerby-desktopfiles
  COMMENT "Writing the desktop entry and the MIME type")

# The PNG icons, rendered from the SVG.
find_package(Qt6 REQUIRED COMPONENTS Svg)
add_executable(vannerby-iconrender ${PROJECT_SOURCE_DIR}/tools/iconrender/iconrender.cpp)
target_link_libraries(vannerby-iconrender PRIVATE vannerby_common Qt6::Gui Qt6::Svg)
set(icon_sizes 16 32 48 256)
set(icon_files)
foreach(size ${icon_sizes})
  list(APPEND icon_files ${pkg_out}/vannerby-${size}.png)
endforeach()
add_custom_command(OUTPUT ${icon_files}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:vannerby-iconrender> ${pkg_src}/vannerby.svg ${pkg_out}/vannerby ${icon_sizes}
  DEPENDS vannerby-iconrender ${pkg_src}/vannerby.svg
  COMMENT "Rendering the program icon")

# Man pages, compressed as Debian keeps them.
set(man_files)
foreach(page vannerby.1 vannerby-cli.1)
  configure_file(${pkg_src}/${page} ${pkg_out}/${page} @ONLY)
  add_custom_command(OUTPUT ${pkg_out}/${page}.gz
    COMMAND gzip -9nc ${pkg_out}/${page} > ${pkg_out}/${page}.gz
    DEPENDS ${pkg_out}/${page}
    COMMENT "Compressing ${page}")
  list(APPEND man_files ${pkg_out}/${page}.gz)
endforeach()

# The machine-readable copyright file, from the program's own copyright notice.
string(REGEX REPLACE "^Copyright *(©|\\([Cc]\\))? *" "" copyright_notice "${VANNERBY_COPYRIGHT}")
configure_file(${pkg_src}/copyright.in ${pkg_out}/copyright @ONLY)

# The package's changelog. The package is the project's own (native), so it is
# changelog.gz, and its newest entry names the project's version.
file(STRINGS ${pkg_src}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^vannerby \\(${PROJECT_VERSION}\\) ")
  message(WARNING "packaging/changelog: the newest entry is not version ${PROJECT_VERSION}: ${changelog_head}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${pkg_src}/changelog)
set(changelog_file ${pkg_out}/changelog.gz)
add_custom_command(OUTPUT ${changelog_file}
  COMMAND gzip -9nc ${pkg_src}/changelog > ${changelog_file}
  DEPENDS ${pkg_src}/changelog
  COMMENT "Compressing the changelog")

add_custom_target(vannerby_package_files ALL
  DEPENDS ${lng_file} ${desktop_files} ${icon_files} ${man_files} ${changelog_file})

# bin/vannerby is a relative link, so it holds wherever the tree is installed.
file(CREATE_LINK ../lib/vannerby/vannerby ${pkg_out}/bin-vannerby SYMBOLIC)

set(app_dir lib/vannerby) # the program folder, where its language file lies
install(TARGETS vannerby RUNTIME DESTINATION ${app_dir})
# vannerby-cli finds it as ../lib/vannerby/plugins from its own folder. A folder
# below the program's, so that the package's scripts need not run ldconfig for
# a library nothing links against.
install(TARGETS vannerby-pictures LIBRARY DESTINATION ${app_dir}/plugins)
install(FILES ${lng_file} DESTINATION ${app_dir})
install(FILES ${pkg_out}/bin-vannerby DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME vannerby)
install(TARGETS vannerby-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (cpack, cmake --install --strip) strips as Debian's dh_strip
# does: beyond the symbols, the compiler's .comment and the .note section.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program ${app_dir}/vannerby ${app_dir}/plugins/vannerby-pictures.so
                    ${CMAKE_INSTALL_BINDIR}/vannerby-cli)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                              --strip-unneeded \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${program}\"
                      RESULT_VARIABLE stripped)
      if(NOT stripped EQUAL 0)
        message(FATAL_ERROR \"Cannot strip \${program}\")
      endif()
    endforeach()
  endif()
")
install(FILES ${pkg_out}/vannerby.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${pkg_out}/vannerby.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${pkg_src}/vannerby.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size ${icon_sizes})
  install(FILES ${pkg_out}/vannerby-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME vannerby.png)
endforeach()
install(FILES ${man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${pkg_src}/vannerby.en.lng DESTINATION ${CMAKE_INSTALL_DATADIR}/vannerby)
install(FILES ${pkg_out}/copyright ${changelog_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vannerby)
# Installed straight into a prefix (not staged, as cpack does), the shared MIME
# database learns the type at once; the Debian package leaves that to dpkg's triggers.
install(CODE [[
  if("$ENV{DESTDIR}" STREQUAL "")
    find_program(update_mime update-mime-database)
    if(update_mime)
      execute_process(COMMAND ${update_mime} "${CMAKE_INSTALL_PREFIX}/share/mime"
                      OUTPUT_QUIET ERROR_QUIET)
    endif()
  endif()
]])

# cpack -G DEB: the dependencies are computed from the binaries.
set(CPACK_PACKAGE_NAME vannerby)
set(CPACK_PACKAGE_VENDOR "${VANNERBY_MAKER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${VANNERBY_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Vannerby lists the files in the resource archives (PAK files) of the\nModellwelt railway simulator, shows their sizes and times and extracts\nthem. The package has the viewer and the command-line tool vannerby-cli.")
set(CPACK_PACKAGE_CONTACT "${VANNERBY_MAKER} <${VANNERBY_MAIL}>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VANNERBY_WEB_URL}")
# The association tells the desktop through these.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
