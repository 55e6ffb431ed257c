# The Debian package, built by CPack from the install rules (scripts/package). Dependencies are
# read from the programs' own links; the D2XX library is FTDI's to ship, not ours.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvellon-upgrader)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_CONTACT "µTarvellon maintainers <maintainers@velmora.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware upgrader for µTarvellon devices")
set(CPACK_PACKAGE_DESCRIPTION [=[
Loads new firmware into µTarvellon devices attached through an FTDI
USB-to-serial bridge: a window for the bench (tarvellon-upgrader), a command
line for scripts and test rigs (tarvellon-flash), and a production line's
station that flashes every unit plugged in and records each, in a terminal
(tarvellon-flash station) or in a window (tarvellon-station). Stations may
send every attempt to the line's MQTT broker, and a window shows the whole
line from there (tarvellon-line).

A udev rule gives the person logged in at the desk the bridges without root
or groups (uaccess); over ssh, members of plugdev may open them through the
D2XX library and members of dialout through the kernel's serial driver.

The programs reach the bridges through FTDI's D2XX library (libftd2xx.so)
when it is installed; it is not part of this package and comes from FTDI's
website. Without it they use the kernel's own serial driver (/dev/ttyUSB*).]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loads the command line's completion, which a minimal system lacks.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS bash-completion)
# The line PC's broker and its tools; a station needs only the client library, found above.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "mosquitto, mosquitto-clients")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_SOURCE_DIR}/postinst ${CMAKE_CURRENT_SOURCE_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
