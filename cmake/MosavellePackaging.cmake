# What a desktop installs: the programs, their manual pages, the launcher entry, the icon in every
# size menus ask for, the software-centre metadata and the translations; and the Debian package
# (`cpack -G DEB`, see scripts/package) that carries them.
include(GNUInstallDirs)

# The component identifier software centres know the application by.
set(MOSAVELLE_APP_ID org.mosavelle.Mosavelle)
set(MOSAVELLE_HOMEPAGE "https://mosavelle.example"
    CACHE STRING "Home page named in the package and its software-centre metadata")
set(MOSAVELLE_SCREENSHOT_URL "${MOSAVELLE_HOMEPAGE}/screenshots"
    CACHE STRING "Where the pictures of docs/screenshots are published")
set(MOSAVELLE_MAINTAINER "Mosavelle developers <maintainers@mosavelle.example>"
    CACHE STRING "Maintainer named in the package")

set(desktop_dir ${CMAKE_BINARY_DIR}/desktop)
file(MAKE_DIRECTORY ${desktop_dir})
set(desktop_outputs "")

# Manual pages, made from each program's own --help at build time.
find_program(MOSAVELLE_HELP2MAN help2man)
function(mosavelle_man_page target summary)
  if(NOT MOSAVELLE_HELP2MAN OR NOT TARGET ${target})
    return()
  endif()
  set(page ${desktop_dir}/${target}.1.gz)
  add_custom_command(
    OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DNAME=${target}
            "-DSUMMARY=${summary}" -DOUTPUT=${page} -DWORK=${desktop_dir}/man
            -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS ${target} ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    COMMENT "Writing the manual page of ${target}"
    VERBATIM)
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(desktop_outputs ${desktop_outputs} ${page} PARENT_SCOPE)
endfunction()
if(NOT MOSAVELLE_HELP2MAN)
  message(STATUS "help2man not found: no manual pages")
endif()
mosavelle_man_page(mosavelle-cli "make slide presentations from pictures on the command line")
mosavelle_man_page(mosavelle "turn pictures into slide presentations")

if(MOSAVELLE_BUILD_APP)
  # The icon as PNG in the sizes launchers and menus ask for, rendered from the SVG.
  find_program(MOSAVELLE_VIPS vips)
  if(MOSAVELLE_VIPS)
    foreach(size 16 22 24 32 48 64 128 256)
      set(png ${desktop_dir}/icons/${size}x${size}/mosavelle.png)
      add_custom_command(
        OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${desktop_dir}/icons/${size}x${size}
        COMMAND ${MOSAVELLE_VIPS} thumbnail ${PROJECT_SOURCE_DIR}/resources/app/mosavelle.svg
                ${png} ${size} --height ${size}
        DEPENDS ${PROJECT_SOURCE_DIR}/resources/app/mosavelle.svg
        VERBATIM)
      install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
      list(APPEND desktop_outputs ${png})
    endforeach()
  else()
    message(STATUS "vips not found: the icon is installed as SVG only")
  endif()

  configure_file(${PROJECT_SOURCE_DIR}/resources/app/${MOSAVELLE_APP_ID}.metainfo.xml.in
                 ${desktop_dir}/${MOSAVELLE_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${desktop_dir}/${MOSAVELLE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
add_custom_target(mosavelle-desktop-files ALL DEPENDS ${desktop_outputs})

# Compiled translations (build/translations/*.qm, made by qt_add_translations in src/app).
install(DIRECTORY ${CMAKE_BINARY_DIR}/translations/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mosavelle/translations OPTIONAL
        FILES_MATCHING PATTERN "*.qm")

# Debian's documentation files: the copyright statement and the change log (gzipped).
configure_file(${PROJECT_SOURCE_DIR}/resources/package/changelog.in ${desktop_dir}/changelog @ONLY)
add_custom_command(
  OUTPUT ${desktop_dir}/changelog.gz
  COMMAND gzip -9nfk ${desktop_dir}/changelog
  DEPENDS ${desktop_dir}/changelog
  VERBATIM)
add_custom_target(mosavelle-changelog ALL DEPENDS ${desktop_dir}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/resources/package/copyright ${desktop_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mosavelle)

# The Debian package. Library dependencies are read from the binaries by dpkg-shlibdeps; what
# the program loads at run time by name is listed here: the libvips loaders for HEIF/AVIF, WebP
# and TIFF, Qt's platform plugins, and a font for slide text and the interface.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mosavelle)
set(CPACK_PACKAGE_VENDOR "Mosavelle")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${MOSAVELLE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn pictures into slide presentations")
# CPack puts the summary first and indents these lines; an empty line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Mosavelle makes a slide deck from photos: one slide per picture, layouts of
one, two or four pictures, title slides, captions, presenter notes,
background, logo and slide numbers. Decks are saved as editable .mosavelle
projects and exported as .pptx presentations.

This package holds the desktop application (mosavelle) and the command-line
tool (mosavelle-cli) for scripts and batch work.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${MOSAVELLE_HOMEPAGE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libheif1, libwebp7, libtiff6, fonts-dejavu-core")
# Text is measured in the deck's font or its metric-compatible stand-in; without them the
# overflow warnings fall back to an estimate.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-crosextra-carlito, fonts-crosextra-caladea, fonts-liberation2")
if(MOSAVELLE_BUILD_APP)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", qt6-qpa-plugins, libqt6svg6")
  # Qt's own texts (standard buttons and dialogs) in the languages the program is translated to.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# Packaging takes the tree as built; it never builds it again.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
