# Read by cpack once for each package it makes (CPACK_PROJECT_CONFIG_FILE),
# with CPACK_GENERATOR naming that package's kind: what each kind holds
# beside the files that every package has (component "pomfy").
if(CPACK_GENERATOR STREQUAL "DEB")
  # /usr/share/doc/pomfy/copyright and changelog.gz.
  set(CPACK_COMPONENTS_ALL pomfy pomfy-debian)
elseif(CPACK_GENERATOR STREQUAL "RPM")
  # /usr/share/licenses/pomfy/LICENSE.
  set(CPACK_COMPONENTS_ALL pomfy pomfy-licence)
endif()
