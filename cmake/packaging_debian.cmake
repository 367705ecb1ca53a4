# The Debian package's files and control data (see cmake/packaging.cmake).
include(GNUInstallDirs)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(GZIP gzip REQUIRED)

install(TARGETS vellumtide RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES resources/vellumtide.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/icons/logo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME vellumtide.svg)
install(FILES ${PACKAGING_DIR}/app.vellumtide.vellumtide.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PACKAGING_DIR}/screenshots/reader.png DESTINATION ${CMAKE_INSTALL_DATADIR}/vellumtide/screenshots)

# The program's icon drawn at the sizes menus, docks and software centres ask for, and the man page,
# changelog and copyright file as Debian keeps them (compressed without a time stamp, so that two
# builds of the same sources give the same package).
set(PACKAGE_FILES_DIR ${CMAKE_CURRENT_BINARY_DIR}/package-files)
set(ICON_SIZES 48 128 256)
set(PACKAGE_FILES)
foreach(size ${ICON_SIZES})
  set(png ${PACKAGE_FILES_DIR}/icon-${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_FILES_DIR}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${CMAKE_CURRENT_SOURCE_DIR}/resources/icons/logo.svg
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/resources/icons/logo.svg VERBATIM)
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME vellumtide.png)
  list(APPEND PACKAGE_FILES ${png})
endforeach()
foreach(pair "vellumtide.1;vellumtide.1.gz" "changelog;changelog.gz")
  list(GET pair 0 source)
  list(GET pair 1 compressed)
  add_custom_command(OUTPUT ${PACKAGE_FILES_DIR}/${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_FILES_DIR}
    COMMAND ${GZIP} -9nc ${PACKAGING_DIR}/${source} > ${PACKAGE_FILES_DIR}/${compressed}
    DEPENDS ${PACKAGING_DIR}/${source} VERBATIM)
  list(APPEND PACKAGE_FILES ${PACKAGE_FILES_DIR}/${compressed})
endforeach()
add_custom_target(vellumtide_package_files ALL DEPENDS ${PACKAGE_FILES})
install(FILES ${PACKAGE_FILES_DIR}/vellumtide.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PACKAGE_FILES_DIR}/changelog.gz ${PACKAGING_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # vellumtide_1.8.0_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Read at run time, so no library link names them: the voices' data and the faces the reader's
# fonts map to. The sound client (libpulse0) and Qt come with the libraries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "espeak-ng-data, fonts-dejavu-core, fonts-liberation2, fonts-comic-neue")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
# The first line of the description is the summary above; CPack indents these lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vellumtide is an e-book reader for people with impaired sight. One book at a
time fills the screen in very large type (64 point by default) and
high-contrast colours, under a bar of big icon buttons with large labels.

One click moves through the book, searches it, changes the size, weight,
face, colours and letter case of the type, and reads the book aloud from the
caret, marking each spoken word.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
