# The Debian package (scripts/package): everything `cmake --install` puts under /usr, with the
# library dependencies worked out by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skylark)
set(CPACK_PACKAGE_VENDOR Corvane)
set(CPACK_PACKAGE_CONTACT "Skylark maintainers <skylark@corvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure a DGPS radio-beacon receiver on a serial line")
# CPack puts the summary first, then this, each line indented by one space.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Skylark tunes a differential-GPS radio-beacon receiver on a serial line:
automatically, by frequency and MSK bit rate, or by a beacon site picked by
region, country and name. It shows what the receiver hears and remembers its
choices. skylark-cli does the same from a terminal and links USB serial
adapters to the port names COM1: to COM9:; skylark-sim simulates a receiver.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Added to what dpkg-shlibdeps finds: Qt loads its platform plugin (xcb, wayland) at start-up,
# and libqt6gui6 only recommends the package that has it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
