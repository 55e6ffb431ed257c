# The Debian package, built by CPack from the install rules (scripts/package). Dependencies are
# read from the programs' own links; the D2XX library is FTDI's to ship, not ours.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvellon-upgrader)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_CONTACT "µTarvellon maintainers <maintainers@velmora.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware upgrader for µTarvellon devices")
set(CPACK_PACKAGE_DESCRIPTION [=[
Loads new firmware into µTarvellon devices attached through an FTDI
USB-to-serial bridge: a window for the bench (tarvellon-upgrader) and a
command line for scripts and line stations (tarvellon-flash). The user at
the desk can open the bridges without root, and so can members of the
plugdev group (the USB device) and of dialout (the serial port).

Both programs reach the bridges through FTDI's D2XX library (libftd2xx.so)
when it is installed; it is not part of this package and comes from FTDI's
website. Without it they use the kernel's own serial driver (/dev/ttyUSB*).]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_SOURCE_DIR}/postinst ${CMAKE_CURRENT_SOURCE_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
