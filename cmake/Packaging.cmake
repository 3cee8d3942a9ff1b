# Installation beyond the programs (their install() lines sit beside their
# targets): desktop entry, table-file type, icon, udev rule for the cradle's serial adapter,
# man pages made from the programs' own help, README and user guide, the
# copyright file and changelog; and the Debian package built by `cpack -G DEB`
# in the build directory.
include(GNUInstallDirs)

set(ZT310_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR}/../packaging)
cmake_path(NORMAL_PATH ZT310_PACKAGING_DIR)
set(ZT310_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zt310prog)
# udev reads /usr/lib/udev/rules.d (and /etc/udev/rules.d), not /usr/local.
set(ZT310_UDEV_RULES_DIR lib/udev/rules.d CACHE STRING "Where the cradle's udev rule goes, relative to the prefix")

install(FILES ${ZT310_PACKAGING_DIR}/zt310prog.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${ZT310_PACKAGING_DIR}/zt310prog.svg DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
install(FILES ${ZT310_PACKAGING_DIR}/60-zt310-cradle.rules DESTINATION ${ZT310_UDEV_RULES_DIR})
# The table-file type for file managers; Debian's shared-mime-info trigger
# rebuilds the database when the package comes or goes.
install(FILES ${ZT310_PACKAGING_DIR}/zt310prog-mime.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages
        RENAME zt310prog.xml)

# The README's links point into docs/, so the guide keeps that place beside it.
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${ZT310_DOC_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/docs/user-guide.md ${CMAKE_SOURCE_DIR}/docs/files-written.md DESTINATION ${ZT310_DOC_DIR}/docs)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/screenshots DESTINATION ${ZT310_DOC_DIR}/docs FILES_MATCHING PATTERN "*.png")

# Man pages: made at build time from each program's --help, so they never
# fall behind the programs.
set(ZT310_MAN_PAGES "")
foreach(program zt310 zt310prog zt310-sim)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1)
  add_custom_command(
    OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            sh ${ZT310_PACKAGING_DIR}/make-manpage.sh ${program} $<TARGET_FILE:${program}> ${PROJECT_VERSION} ${page}
    DEPENDS ${program} ${ZT310_PACKAGING_DIR}/make-manpage.sh
    COMMENT "Man page ${program}.1 from its help"
    VERBATIM)
  # Installed compressed, without a name or time stamp in the gzip header,
  # so two builds give the same bytes.
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND gzip -9nc ${page} > ${page}.gz
    DEPENDS ${page}
    VERBATIM)
  list(APPEND ZT310_MAN_PAGES ${page})
  list(APPEND ZT310_MAN_PAGES_GZ ${page}.gz)
endforeach()
if(ZT310_MAN_PAGES)
  add_custom_target(zt310_man_pages ALL DEPENDS ${ZT310_MAN_PAGES} ${ZT310_MAN_PAGES_GZ})
  install(FILES ${ZT310_MAN_PAGES_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# Debian's copyright file and changelog (compressed as Debian keeps it).
set(ZT310_CHANGELOG_GZ ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${ZT310_CHANGELOG_GZ}
  COMMAND gzip -9nc ${ZT310_PACKAGING_DIR}/changelog > ${ZT310_CHANGELOG_GZ}
  DEPENDS ${ZT310_PACKAGING_DIR}/changelog
  VERBATIM)
add_custom_target(zt310_changelog ALL DEPENDS ${ZT310_CHANGELOG_GZ})
install(FILES ${ZT310_PACKAGING_DIR}/copyright ${ZT310_CHANGELOG_GZ} DESTINATION ${ZT310_DOC_DIR})

# Debian package.
set(CPACK_PACKAGE_NAME zt310prog)
set(CPACK_PACKAGE_VENDOR "ZT310 Programmer developers")
set(CPACK_PACKAGE_CONTACT "ZT310 Programmer developers <maintainers@users.noreply.c-seed-f4959721.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programming tool for ZT310 two-tone sequential voice pagers")
# Debian shows the description as it stands: lines of at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Edit a ZT310 pager's configuration (its code-plug), keep it as .tbl table\n"
       "files, and write, read back and verify it in a pager sitting in a programming\n"
       "cradle on a serial port; production programming by scanned serial number\n"
       "with a daily log. Contains the window zt310prog, the command-line tool zt310\n"
       "and the simulated pager zt310-sim.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries (widgets, serial port, network...) come from the programs'
# links through dpkg-shlibdeps; the platform plugins (xcb on a desktop,
# offscreen for pictures) from qt6-qpa-plugins, which libqt6gui6 only recommends.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# "S/N：" needs a font with the full-width colon (U+FF1A).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-droid-fallback | fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${ZT310_PACKAGING_DIR}/debian/postinst ${ZT310_PACKAGING_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
