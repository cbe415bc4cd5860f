# Horavel as a desktop program: the programs, the launcher, the desktop entry, the icon, the
# AppStream metainfo, and the Debian package `cpack` makes of them (build/horavel_*.deb).
include(GNUInstallDirs)

set(HV_APP_ID com.brinwick.Horavel)
set(HV_HOMEPAGE "https://www.brinwick.com/horavel" CACHE STRING "Home page named in the metainfo")
set(HV_SCREENSHOT_URL "${HV_HOMEPAGE}/screenshots" CACHE STRING
    "Where the metainfo's screenshots (docs/screenshots/) are published")

# The icon in the hicolor theme's layout, drawn by the image generator.
set(icon_dir ${CMAKE_BINARY_DIR}/icons)
set(icons ${icon_dir}/scalable/apps/${HV_APP_ID}.svg)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND icons ${icon_dir}/${size}x${size}/apps/${HV_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${icons}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:hv_imagegen> --icons ${icon_dir}
  DEPENDS hv_imagegen
  COMMENT "Drawing the desktop icon"
  VERBATIM)
add_custom_target(hvicons ALL DEPENDS ${icons})
install(DIRECTORY ${icon_dir}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

configure_file(${CMAKE_SOURCE_DIR}/data/desktop/${HV_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/${HV_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/${HV_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/${HV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# `horavel` installs the device package into the user's device root when it is missing or older
# and starts the program there; the programs themselves and the device installer sit in
# lib/horavel, the cabinets in share/horavel.
install(PROGRAMS ${CMAKE_SOURCE_DIR}/data/desktop/horavel DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS horavel_main bhvevents hvtimer hv-device-install
        RUNTIME DESTINATION ${CMAKE_INSTALL_LIBDIR}/horavel)
install(TARGETS hvsetup LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/horavel)
install(FILES ${HV_PACKAGE_DIR}/setup_VGA.ARM.cab ${HV_PACKAGE_DIR}/setup_VGA.PPC2003_ARM.cab
        DESTINATION ${CMAKE_INSTALL_DATADIR}/horavel)

# What Debian asks of every package: the copyright file, the changelog and a manual page for each
# program on the PATH (their texts are kept in data/desktop and data/man; the pages follow the
# programs' --help). Compressed as Debian compresses them.
set(doc_stage ${CMAKE_BINARY_DIR}/debian-doc)
set(man_pages horavel horavel-cli hvdeviced)
set(doc_outputs ${doc_stage}/changelog.gz)
add_custom_command(OUTPUT ${doc_stage}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${doc_stage}
  COMMAND sh -c "gzip -9nc < \"$1\" > \"$2\"" sh ${CMAKE_SOURCE_DIR}/data/desktop/changelog
          ${doc_stage}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/data/desktop/changelog
  VERBATIM)
foreach(page IN LISTS man_pages)
  add_custom_command(OUTPUT ${doc_stage}/${page}.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${doc_stage}
    COMMAND sh -c "gzip -9nc < \"$1\" > \"$2\"" sh ${CMAKE_SOURCE_DIR}/data/man/${page}.1
            ${doc_stage}/${page}.1.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/data/man/${page}.1
    VERBATIM)
  list(APPEND doc_outputs ${doc_stage}/${page}.1.gz)
  install(FILES ${doc_stage}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(hvdebiandocs ALL DEPENDS ${doc_outputs})
install(FILES ${doc_stage}/changelog.gz ${CMAKE_SOURCE_DIR}/data/desktop/copyright
        DESTINATION ${HV_INSTALL_DOCDIR})

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME horavel)
set(CPACK_PACKAGE_VENDOR Brinwick)
set(CPACK_PACKAGE_CONTACT "Brinwick <horavel@brinwick.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "World clock, alarms, timers, stopwatch, sunrise and the Moon")
# One text (a list would be joined with ";"), in lines of at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "A multi-function clock: world clock, alarms, timers, stopwatch, dated events,\n"
       "sunrise and sunset, Moon phases, Internet time, a time converter between cities\n"
       "and watch-face screen savers. Reminders ring at every login through a small\n"
       "user service.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${HV_HOMEPAGE})
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The shared libraries come from dpkg-shlibdeps. The packages below are what the programs use
# without linking it, one a line: the time-zone data the device layer reads, the fonts the views
# ask for, a sound player for the reminders (the first of pw-play, paplay, aplay found), Qt's
# platform for a Wayland session, and setcap, which gives the daemon the alarm clock that wakes
# the machine for a due alarm.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(HV_DEB_DEPENDS
    tzdata
    fonts-dejavu-core
    "pipewire-bin | pulseaudio-utils | alsa-utils"
    qt6-wayland
    libcap2-bin
)
set(HV_DEB_RECOMMENDS
    fonts-wine
    libxss1
)
list(JOIN HV_DEB_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
list(JOIN HV_DEB_RECOMMENDS ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
# The maintainer scripts, and the autostart entry in /etc as a configuration file.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/data/desktop/postinst
                                       ${CMAKE_SOURCE_DIR}/data/desktop/prerm
                                       ${CMAKE_SOURCE_DIR}/data/desktop/postrm
                                       ${CMAKE_SOURCE_DIR}/data/desktop/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
