# Where the programs, the user guide, the desktop entries and the icons go, in
# the build tree and when installed, and the Debian package made of the same.
#
#   <prefix>/bin/quillorn-cli
#   <prefix>/bin/quillorn, ravelet              links to the programs below
#   <prefix>/lib/quillorn/Quillorn/Quillorn     the wizard, with UserGuide/ beside it
#   <prefix>/lib/quillorn/Ravelet/Ravelet       the companion, in the sibling folder
#   <prefix>/share/applications/*.desktop, <prefix>/share/icons/hicolor/*/apps/*.png
#   <prefix>/share/doc/quillorn/copyright, changelog.gz
#
# The wizard finds the companion at <its folder>/../Ravelet/Ravelet and its
# guide at <its folder>/UserGuide, so the two folders stay side by side.

include(GNUInstallDirs)

set(QUILLORN_PROGRAMS_DIR lib/quillorn)
set(QUILLORN_DESKTOP_ID org.example.quillorn)

install(TARGETS quillorn-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(QUILLORN_GUI)
  # The guide beside the wizard of the build tree too, so Help works there.
  set(guide_dir ${PROJECT_BINARY_DIR}/Quillorn/UserGuide)
  add_custom_target(user_guide ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/guide ${guide_dir}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/screenshots ${guide_dir}/screenshots
    COMMENT "Copying the user guide beside the wizard"
    VERBATIM)
  add_dependencies(Quillorn user_guide)

  install(TARGETS Quillorn RUNTIME DESTINATION ${QUILLORN_PROGRAMS_DIR}/Quillorn)
  install(TARGETS Ravelet RUNTIME DESTINATION ${QUILLORN_PROGRAMS_DIR}/Ravelet)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide/ DESTINATION ${QUILLORN_PROGRAMS_DIR}/Quillorn/UserGuide)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/screenshots/
          DESTINATION ${QUILLORN_PROGRAMS_DIR}/Quillorn/UserGuide/screenshots
          FILES_MATCHING PATTERN "*.png")

  # Commands in bin: relative links, made here and installed as links.
  set(links_dir ${PROJECT_BINARY_DIR}/install-links)
  file(MAKE_DIRECTORY ${links_dir})
  file(CREATE_LINK ../${QUILLORN_PROGRAMS_DIR}/Quillorn/Quillorn ${links_dir}/quillorn SYMBOLIC)
  file(CREATE_LINK ../${QUILLORN_PROGRAMS_DIR}/Ravelet/Ravelet ${links_dir}/ravelet SYMBOLIC)
  install(FILES ${links_dir}/quillorn ${links_dir}/ravelet DESTINATION ${CMAKE_INSTALL_BINDIR})

  # Desktop entries and the icons at every size the artwork comes in.
  foreach(program IN ITEMS Quillorn Ravelet)
    string(TOLOWER ${program} name)
    if(program STREQUAL "Quillorn")
      set(resources ${PROJECT_SOURCE_DIR}/wizard/resources)
    else()
      set(resources ${PROJECT_SOURCE_DIR}/restorer/resources)
    endif()
    install(FILES ${resources}/${QUILLORN_DESKTOP_ID}.${program}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    foreach(size IN ITEMS 16 24 32 48 64 128 256)
      install(FILES ${resources}/icons/${name}-${size}.png
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
              RENAME ${QUILLORN_DESKTOP_ID}.${program}.png)
    endforeach()
  endforeach()
endif()

# The copyright and the changelog Debian asks of every package. The changelog
# takes the project's version; gzip -n leaves out the time and name, so the
# same source gives the same file.
set(package_doc ${PROJECT_BINARY_DIR}/package-doc)
configure_file(${PROJECT_SOURCE_DIR}/cmake/package/changelog.in ${package_doc}/changelog @ONLY)
find_program(QUILLORN_GZIP gzip REQUIRED)
execute_process(COMMAND ${QUILLORN_GZIP} -9n -c ${package_doc}/changelog
                OUTPUT_FILE ${package_doc}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/package/copyright ${package_doc}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillorn)

# cpack -G DEB: the same files under /usr, with the libraries' packages as
# dependencies (found from the programs) and what they load at run time.
set(CPACK_PACKAGE_NAME quillorn)
set(CPACK_PACKAGE_VENDOR "The Quillorn team")
set(CPACK_PACKAGE_CONTACT "The Quillorn team <team@quillorn.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "repairs the broken links of a web site kept on disk")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Quillorn searches the pages, style sheets and scripts of a site kept as\n"
       "files for broken links, proposes fixes, and rewrites the files, keeping\n"
       "the old ones as backups. The package holds the Quillorn wizard, its\n"
       "companion Ravelet (which restores or deletes the backups) and\n"
       "quillorn-cli for scripts and CI.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://quillorn.example.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(QUILLORN_GUI)
  # The window system's plugins and the dialog font (DejaVu Sans Condensed,
  # in fonts-dejavu-extra, which brings fonts-dejavu-core) are loaded, not
  # linked. Qt opens help and addresses with xdg-open, which hands them to a
  # browser; xdg-open needs none of xdg-utils' own Recommends (Perl helpers,
  # and through them a terminal), which apt still adds unless told not to.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-extra")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "firefox-esr | www-browser")
endif()
include(CPack)
