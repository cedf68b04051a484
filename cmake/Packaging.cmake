# Installing Pomfy and packing it for people who do not build it themselves.
#
#   cmake --install build/linux [--prefix DIR]
#       DIR/bin/pomfy, DIR/share/applications/pomfy.desktop,
#       DIR/share/icons/hicolor/NxN/apps/pomfy.png, DIR/share/doc/pomfy/README.md
#   cmake --install build/windows --prefix DIR
#       DIR/pomfy.exe, DIR/README.md
#   cpack (in a build tree), or `make package` for both trees:
#       a .deb from the Linux tree, a .zip from the Windows tree.
#
# Everything belongs to one install component, "pomfy", so that nothing else
# a build tree might install (test libraries, tools) ends up in a package.

if(NOT TARGET pomfy)
  return()
endif()

include(GNUInstallDirs)

set(POMFY_COMPONENT pomfy)

if(WIN32)
  # The .zip: the program and its README side by side, nothing to set up.
  install(TARGETS pomfy RUNTIME DESTINATION . COMPONENT ${POMFY_COMPONENT})
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION . COMPONENT ${POMFY_COMPONENT}
          OPTIONAL)
else()
  install(TARGETS pomfy RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${POMFY_COMPONENT})
  install(FILES ${CMAKE_SOURCE_DIR}/data/pomfy.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT ${POMFY_COMPONENT})
  install(FILES ${CMAKE_SOURCE_DIR}/README.md
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pomfy COMPONENT ${POMFY_COMPONENT} OPTIONAL)

  # Icons: data/icons/pomfy-*.png, each into the hicolor folder of its size,
  # which is read from the PNG header (width at byte 16, height at byte 20).
  file(GLOB pomfy_icons CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/icons/pomfy-*.png)
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
  endforeach()
endif()

set(CPACK_PACKAGE_NAME pomfy)
set(CPACK_PACKAGE_VENDOR "Pomfy")
set(CPACK_PACKAGE_CONTACT "Pomfy developers <pomfy@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "A small pink desktop pet that lives on the taskbar")
set(CPACK_PACKAGE_DESCRIPTION
    "Pomfy is a small pink character that falls onto your taskbar and then walks, sleeps, sneezes, slides, twists and leaps along it until you press Escape. It has no settings, reads and writes no files and uses no network.")
if(EXISTS ${CMAKE_SOURCE_DIR}/README.md)
  set(CPACK_RESOURCE_FILE_README ${CMAKE_SOURCE_DIR}/README.md)
endif()
set(CPACK_COMPONENTS_ALL ${POMFY_COMPONENT})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_PACKAGE_FILE_NAME pomfy-${PROJECT_VERSION}-windows-x64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL OFF)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
  # Library dependencies (libx11-6 ...) worked out from the binary itself.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
