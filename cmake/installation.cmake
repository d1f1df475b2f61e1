# What `cmake --install` puts under the prefix, and the Debian package that
# CPack makes of it (`cpack -G DEB` in the build folder).
#
#   bin/                                   tarsin, tarsin-plan, tarsin-render
#   share/tarsin/icon.gif                  the window icon (found from bin/)
#   share/icons/hicolor/*/apps/tarsin.png  the icon of the desktop entry
#   share/applications/tarsin.desktop      opens DXF files with tarsin
#   share/mime/packages/tarsin.xml         image/vnd.dxf, for *.dxf in any case
#   share/thumbnailers/tarsin.thumbnailer  thumbnails of DXF files by tarsin-render
#   share/man/man1/                        the three manual pages

set(PROGRAMMES tarsin-plan tarsin-render)
if(TARGET tarsin)
  list(PREPEND PROGRAMMES tarsin)
endif()
install(TARGETS ${PROGRAMMES} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES samples/icon.gif DESTINATION ${CMAKE_INSTALL_DATADIR}/tarsin)
foreach(cote 32 48)
  install(FILES bureau/tarsin-${cote}.png RENAME tarsin.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${cote}x${cote}/apps)
endforeach()
install(FILES bureau/tarsin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES bureau/tarsin-mime.xml RENAME tarsin.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES bureau/tarsin.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
foreach(page tarsin tarsin-plan tarsin-render)
  configure_file(man/${page}.1.in man/${page}.1 @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarsin)
set(CPACK_PACKAGE_VENDOR "Tarsin")
set(CPACK_PACKAGE_CONTACT "Equipe Tarsin <dev@tarsin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for 2D DXF drawings (French interface)")
set(CPACK_PACKAGE_DESCRIPTION
  "Tarsin shows two-dimensional DXF drawings: layers that can be hidden, blocks,
texts and raster images, with annotations read from a file beside the drawing.
 .
This package holds the viewer (tarsin), its earlier simpler form
(tarsin-plan) and tarsin-render, which paints a drawing into a PNG, SVG or
PDF file without a display and makes the thumbnails of DXF files in file
managers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries' packages, found by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
include(CPack)
