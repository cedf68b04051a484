# Installing Pomfy and packing it for people who do not build it themselves.
#
#   cmake --install build/linux [--prefix DIR]
#       DIR/bin/pomfy
#       DIR/share/applications/example.pomfy.Pomfy.desktop
#       DIR/share/metainfo/example.pomfy.Pomfy.metainfo.xml
#       DIR/share/icons/hicolor/NxN/apps/pomfy.png
#       DIR/share/man/man1/pomfy.1.gz
#       DIR/share/doc/pomfy/README.md, DIR/share/licenses/pomfy/LICENSE
#   cmake --install build/windows --prefix DIR
#       DIR/pomfy.exe, DIR/README.txt, DIR/LICENSE.txt
#   cpack (in a build tree), or `make package` for both trees:
#       a .deb and an .rpm from the Linux tree, a .zip from the Windows tree.
#
# What every package holds belongs to the install component "pomfy", so that
# nothing else a build tree might install (test libraries, tools) ends up in
# a package. The .deb adds "pomfy-debian" (its copyright file and changelog,
# where Debian wants them), the .rpm "pomfy-licence" (the licence where
# Fedora and openSUSE want it): cmake/PackagingPerGenerator.cmake picks them.

if(NOT TARGET pomfy)
  return()
endif()

include(GNUInstallDirs)

set(POMFY_COMPONENT pomfy)
# The project's reverse-DNS name, for the desktop entry and the AppStream
# metadata. pomfy.example is a placeholder under the reserved .example
# domain (RFC 2606): the maintainer address and the screenshot's address
# use it too, until the project has a domain of its own.
set(POMFY_APP_ID example.pomfy.Pomfy)
set(POMFY_MAINTAINER "The Pomfy developers <pomfy@pomfy.example>")
set(POMFY_SUMMARY "Small pink desktop pet that lives on the taskbar")
# The long description, for both packages: lines under 80 characters.
set(POMFY_DESCRIPTION
"Pomfy is a small pink character that drops onto your taskbar and spends its
day there: it walks, naps, sneezes, shouts, freezes and shivers, slides,
twists, falls over and now and then leaps through the air, until you press
Escape. It lives in a tiny shaped window without a frame or a taskbar button
and is never kept above other windows. It has no settings, reads and writes
no files and uses no network.")
set(data ${CMAKE_SOURCE_DIR}/data)
set(generated ${CMAKE_BINARY_DIR}/packaging)

if(WIN32)
  # The .zip: the program, a README for Windows users and the licence side
  # by side, nothing to set up. Both texts with Windows line endings.
  configure_file(${data}/windows/README.txt ${generated}/README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${generated}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS pomfy RUNTIME DESTINATION . COMPONENT ${POMFY_COMPONENT})
  install(FILES ${generated}/README.txt ${generated}/LICENSE.txt
          DESTINATION . COMPONENT ${POMFY_COMPONENT})
else()
  # The Debian changelog names this version at its top.
  file(STRINGS ${data}/debian/changelog top LIMIT_COUNT 1)
  if(NOT top MATCHES "^pomfy \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "data/debian/changelog does not begin with version ${PROJECT_VERSION}: "
                        "add an entry for it")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${data}/debian/changelog)

  # The manual page and the changelog, gzipped as Debian wants them: at the
  # highest compression, without a name or a time stamp in the header.
  find_program(POMFY_GZIP gzip REQUIRED)
  configure_file(${data}/pomfy.1 ${generated}/pomfy.1 @ONLY)
  configure_file(${data}/debian/changelog ${generated}/changelog @ONLY)
  configure_file(${data}/debian/copyright ${generated}/copyright @ONLY)
  add_custom_command(
    OUTPUT ${generated}/pomfy.1.gz ${generated}/changelog.gz
    COMMAND ${POMFY_GZIP} -9nkf ${generated}/pomfy.1 ${generated}/changelog
    DEPENDS ${generated}/pomfy.1 ${generated}/changelog
    COMMENT "Compressing the manual page and the changelog"
    VERBATIM)
  add_custom_target(pomfy-docs ALL DEPENDS ${generated}/pomfy.1.gz ${generated}/changelog.gz)

  install(TARGETS pomfy RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${POMFY_COMPONENT})
  install(FILES ${data}/${POMFY_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT ${POMFY_COMPONENT})
  install(FILES ${data}/${POMFY_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT ${POMFY_COMPONENT})
  install(FILES ${generated}/pomfy.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${POMFY_COMPONENT})
  install(FILES ${CMAKE_SOURCE_DIR}/README.md
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pomfy COMPONENT ${POMFY_COMPONENT})
  install(FILES ${CMAKE_SOURCE_DIR}/LICENSE
          DESTINATION ${CMAKE_INSTALL_DATADIR}/licenses/pomfy COMPONENT pomfy-licence)
  install(FILES ${generated}/copyright ${generated}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pomfy COMPONENT pomfy-debian EXCLUDE_FROM_ALL)

  # Icons: data/icons/pomfy-*.png, each into the hicolor folder of its size,
  # which is read from the PNG header (width at byte 16, height at byte 20).
  file(GLOB pomfy_icons CONFIGURE_DEPENDS ${data}/icons/pomfy-*.png)
  set(icon_dirs)
  foreach(icon ${pomfy_icons})
    file(READ ${icon} header LIMIT 24 HEX)
    string(SUBSTRING "${header}" 0 16 signature)
    if(NOT signature STREQUAL "89504e470d0a1a0a")
      message(WARNING "${icon} is not a PNG file; not installed")
      continue()
    endif()
    string(SUBSTRING "${header}" 32 8 w)
    string(SUBSTRING "${header}" 40 8 h)
    math(EXPR w "0x${w}")
    math(EXPR h "0x${h}")
    if(NOT w EQUAL h)
      message(WARNING "${icon} is ${w}x${h}, not square; not installed")
      continue()
    endif()
    install(FILES ${icon} RENAME pomfy.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${w}x${w}/apps
            COMPONENT ${POMFY_COMPONENT})
    list(APPEND icon_dirs /usr/share/icons/hicolor/${w}x${w} /usr/share/icons/hicolor/${w}x${w}/apps)
  endforeach()
endif()

set(CPACK_PACKAGE_NAME pomfy)
set(CPACK_PACKAGE_VENDOR "The Pomfy developers")
set(CPACK_PACKAGE_CONTACT ${POMFY_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${POMFY_SUMMARY})
set(CPACK_PACKAGE_DESCRIPTION ${POMFY_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${CMAKE_SOURCE_DIR}/README.md)
set(CPACK_COMPONENTS_ALL ${POMFY_COMPONENT})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/PackagingPerGenerator.cmake)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_PACKAGE_FILE_NAME pomfy-${PROJECT_VERSION}-windows-x64)
else()
  set(CPACK_GENERATOR DEB RPM)
  # Each package is one package made of the components that its kind lists.
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

  # Debian: a native package (its version has no Debian revision), so its
  # changelog is changelog.gz. Section x11 with the program in /usr/bin,
  # where every distribution looks for it.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${POMFY_MAINTAINER})
  # Library dependencies (libx11-6 ...) worked out from the binary itself.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The Wayland backend loads its two libraries when it starts; without them
  # the pet runs through XWayland.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libwayland-client0, libxkbcommon0")

  # RPM: pomfy-VERSION-1.ARCH.rpm. Library dependencies come from rpmbuild;
  # the package owns only its own folders, not those of the system.
  set(CPACK_RPM_COMPONENT_INSTALL ON)
  set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
  set(CPACK_RPM_PACKAGE_RELEASE 1)
  set(CPACK_RPM_PACKAGE_LICENSE MIT)
  set(CPACK_RPM_PACKAGE_GROUP Amusements/Graphics)
  set(CPACK_RPM_PACKAGE_SUMMARY ${POMFY_SUMMARY})
  set(CPACK_RPM_PACKAGE_DESCRIPTION ${POMFY_DESCRIPTION})
  set(CPACK_RPM_PACKAGE_RELOCATABLE OFF)
  set(CPACK_RPM_PACKAGE_SUGGESTS "libwayland-client, libxkbcommon")
  # No /usr/lib/.build-id links: there is no debug-info package to match.
  set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none")
  set(CPACK_RPM_USER_FILELIST "%license /usr/share/licenses/pomfy/LICENSE")
  set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
      /usr/share/applications /usr/share/metainfo /usr/share/licenses
      /usr/share/man /usr/share/man/man1
      /usr/share/icons /usr/share/icons/hicolor ${icon_dirs})
endif()

include(CPack)
