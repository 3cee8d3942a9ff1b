# SPDX-License-Identifier: GPL-3.0-or-later
# Installation beyond the programs (their install() lines sit beside their
# targets): desktop entry, AppStream metainfo, table-file type, icons, bash
# completion, the udev rule for the cradle's serial adapter, man pages, README
# and user guide. The Debian package is built from debian/ with
# dpkg-buildpackage (scripts/package-check.sh).
include(GNUInstallDirs)

set(ZT310_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR}/../packaging)
cmake_path(NORMAL_PATH ZT310_PACKAGING_DIR)
set(ZT310_APP_ID io.github.zt310prog.zt310prog)
set(ZT310_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zt310prog)
# udev reads /usr/lib/udev/rules.d (and /etc/udev/rules.d), not /usr/local.
# The Debian package installs the rule with dh_installudev instead.
option(ZT310_INSTALL_UDEV_RULE "Install the cradle's udev rule" ON)
set(ZT310_UDEV_RULES_DIR lib/udev/rules.d CACHE STRING "Where the cradle's udev rule goes, relative to the prefix")

install(FILES ${ZT310_PACKAGING_DIR}/${ZT310_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${ZT310_PACKAGING_DIR}/${ZT310_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${ZT310_PACKAGING_DIR}/${ZT310_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
install(FILES ${ZT310_PACKAGING_DIR}/application-x-zt310-codeplug.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/mimetypes)
# PNG renders of both icons (packaging/make-icons.sh makes them).
foreach(size 16 22 24 32 48 64 128 256)
  set(dir ${ZT310_PACKAGING_DIR}/icons/${size}x${size})
  install(FILES ${dir}/${ZT310_APP_ID}.png DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps)
  install(FILES ${dir}/application-x-zt310-codeplug.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/mimetypes)
endforeach()
if(ZT310_INSTALL_UDEV_RULE)
  install(FILES ${ZT310_PACKAGING_DIR}/60-zt310-cradle.rules DESTINATION ${ZT310_UDEV_RULES_DIR})
endif()
# The table-file type for file managers; Debian's shared-mime-info trigger
# rebuilds the database when the package comes or goes.
install(FILES ${ZT310_PACKAGING_DIR}/${ZT310_APP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages
        RENAME ${ZT310_APP_ID}.xml)
# bash-completion loads a command's completion by its name on first use.
install(FILES ${ZT310_PACKAGING_DIR}/zt310.bash-completion DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
        RENAME zt310)

# The README's links point into docs/, so the guide keeps that place beside it.
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${ZT310_DOC_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/docs/user-guide.md ${CMAKE_SOURCE_DIR}/docs/files-written.md DESTINATION ${ZT310_DOC_DIR}/docs)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/screenshots DESTINATION ${ZT310_DOC_DIR}/docs FILES_MATCHING PATTERN "*.png")
# Man pages: written ones in packaging/man; a program without one gets a page
# made at build time from its --help.
set(ZT310_MAN_PAGES_GZ "")
foreach(program zt310 zt310prog zt310-sim)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1)
  set(written ${ZT310_PACKAGING_DIR}/man/${program}.1)
  if(EXISTS ${written})
    set(page ${written})
  else()
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
              sh ${ZT310_PACKAGING_DIR}/make-manpage.sh ${program} $<TARGET_FILE:${program}> ${PROJECT_VERSION} ${page}
      DEPENDS ${program} ${ZT310_PACKAGING_DIR}/make-manpage.sh
      COMMENT "Man page ${program}.1 from its help"
      VERBATIM)
  endif()
  # Installed compressed, without a name or time stamp in the gzip header,
  # so two builds give the same bytes.
  set(page_gz ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1.gz)
  add_custom_command(
    OUTPUT ${page_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND gzip -9nc ${page} > ${page_gz}
    DEPENDS ${page}
    VERBATIM)
  list(APPEND ZT310_MAN_PAGES_GZ ${page_gz})
endforeach()
if(ZT310_MAN_PAGES_GZ)
  add_custom_target(zt310_man_pages ALL DEPENDS ${ZT310_MAN_PAGES_GZ})
  install(FILES ${ZT310_MAN_PAGES_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
