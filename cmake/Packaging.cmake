# What an installed Vandrel carries besides its programs, and the Debian
# package made of it (cpack -G DEB from the build folder, or
# scripts/package.sh). Every file is installed by name.

set(packaging_data ${PROJECT_SOURCE_DIR}/data/packaging)
set(packaging_out ${PROJECT_BINARY_DIR}/packaging)
set(VANDREL_APP_ID example.tolvane.Vandrel)
# The date of the release of PROJECT_VERSION, for the metadata and the
# package's changelog.
set(VANDREL_RELEASE_DATE 2026-12-11)
set(VANDREL_RELEASE_TIME "Fri, 11 Dec 2026 12:00:00 +0000")
set(VANDREL_MAINTAINER "Tolvane <contact@tolvane.example>")
set(VANDREL_HOMEPAGE "https://www.tolvane.example/")
set(VANDREL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vandrel)

find_program(GZIP_PROGRAM gzip REQUIRED)

# vandrel_gzip(input output): a compressed copy as Debian wants manuals and
# changelogs (-n: no name or time inside, so builds are reproducible).
function(vandrel_gzip input output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${GZIP_PROGRAM} -9nc ${input} > ${output}
    DEPENDS ${input}
    VERBATIM)
endfunction()

set(packaging_outputs)

# --- The window's desktop integration ---------------------------------------
if(TARGET vandrel)
  install(FILES ${packaging_data}/${VANDREL_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${packaging_data}/${VANDREL_APP_ID}.metainfo.xml.in
    ${packaging_out}/${VANDREL_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${packaging_out}/${VANDREL_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # The type the desktop entry declares, known system-wide.
  install(FILES ${packaging_data}/vandrel-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME vandrel.xml)
  vandrel_gzip(${packaging_data}/vandrel.1 ${packaging_out}/vandrel.1.gz)
  list(APPEND packaging_outputs ${packaging_out}/vandrel.1.gz)
  install(FILES ${packaging_out}/vandrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# --- Manuals of the command-line programs, made from their --help ---------
find_program(HELP2MAN_PROGRAM help2man)
if(HELP2MAN_PROGRAM AND NOT CMAKE_CROSSCOMPILING)
  set(manual_programs vandrel-cli vandrel-lang)
  set(vandrel-cli_summary "split a file into numbered parts and join them back")
  set(vandrel-lang_summary "convert Vandrel language files to gettext PO files and back")
  if(TARGET qivburncd)
    list(APPEND manual_programs qivburncd)
    set(qivburncd_summary "write a Vandrel part file onto a disc")
  endif()
  foreach(program IN LISTS manual_programs)
    set(page ${packaging_out}/${program}.1)
    # vandrel-cli's commands have a --help each, which becomes the manual's
    # COMMANDS section.
    set(sections_command "")
    set(include_option "")
    if(program STREQUAL "vandrel-cli")
      set(include ${packaging_out}/${program}.h2m)
      set(sections_command COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}>
          -DOUTPUT=${include} -P ${PROJECT_SOURCE_DIR}/cmake/ManualSections.cmake)
      set(include_option --include=${include})
    endif()
    add_custom_command(OUTPUT ${page}.gz
      ${sections_command}
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
              ${HELP2MAN_PROGRAM} --no-info --no-discard-stderr
              --version-string=${PROJECT_VERSION} --name=${${program}_summary}
              ${include_option} --output=${page} $<TARGET_FILE:${program}>
      COMMAND ${GZIP_PROGRAM} -9nf ${page}
      DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/ManualSections.cmake
      COMMENT "Manual page of ${program}"
      VERBATIM)
    list(APPEND packaging_outputs ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(STATUS "help2man not found: the command-line programs get no manual page")
endif()

# --- Shell completion -------------------------------------------------------
install(FILES ${packaging_data}/vandrel-cli.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME vandrel-cli)

# --- Package documents --------------------------------------------------------
configure_file(${packaging_data}/changelog.in ${packaging_out}/changelog @ONLY)
vandrel_gzip(${packaging_out}/changelog ${packaging_out}/changelog.gz)
list(APPEND packaging_outputs ${packaging_out}/changelog.gz)
install(FILES ${packaging_data}/copyright ${packaging_out}/changelog.gz
  DESTINATION ${VANDREL_DOC_DIR})

add_custom_target(vandrel_packaging_files ALL DEPENDS ${packaging_outputs})

# --- The Debian package -----------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vandrel)
set(CPACK_PACKAGE_VENDOR "${VANDREL_COMPANY_NAME}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "${VANDREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANDREL_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VANDREL_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
if(TARGET qivburncd)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", xorriso")
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "file splitter and joiner")
# CPack puts the summary first; these are the paragraphs below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Vandrel cuts one file into raw, numbered part files (name.vd0, name.vd1
and so on) by number of parts or by size, with presets for floppies, CDs,
USB keys and DVDs, and joins them back byte for byte.
.
It can leave a batch script beside the parts that rebuilds the file on a
machine without Vandrel, spread a file over removable disks and rebuild it
from them, and keeps an activity log. The package holds the window program
vandrel, the command-line tool vandrel-cli, the translators' tool
vandrel-lang and the companion burner qivburncd, which writes parts onto
discs or into disc images through xorriso.")
include(CPack)
