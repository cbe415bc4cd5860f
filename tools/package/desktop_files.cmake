# Run by `cmake --install` (and by cpack): writes the files whose text names the install
# prefix, with the prefix of this installation rather than the one of the configure.
# HV_DATA_DIR, HV_DOCDIR and HV_BINARY_DIR are set by the install code before this script.
set(prefix "${CMAKE_INSTALL_PREFIX}")
# System configuration lives in /etc for a /usr installation, else below the prefix.
if(prefix STREQUAL "/usr")
  set(etc "/etc")
else()
  set(etc "${prefix}/etc")
endif()
set(CMAKE_INSTALL_FULL_DOCDIR "${prefix}/${HV_DOCDIR}")
set(stage "${HV_BINARY_DIR}/desktop-files")
configure_file(${HV_DATA_DIR}/hvdeviced.service.in ${stage}/hvdeviced.service @ONLY)
configure_file(${HV_DATA_DIR}/hvdeviced.desktop.in ${stage}/hvdeviced.desktop @ONLY)
file(INSTALL ${stage}/hvdeviced.service DESTINATION "${prefix}/lib/systemd/user")
file(INSTALL ${HV_DATA_DIR}/desktop/50-horavel.preset
     DESTINATION "${prefix}/lib/systemd/user-preset")
file(INSTALL ${stage}/hvdeviced.desktop DESTINATION "${etc}/xdg/autostart")
