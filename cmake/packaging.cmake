# What a user installs, made by CPack from this build:
# - on Linux, a Debian package: the program in /usr/bin, the desktop file, the icons at the sizes
#   desktops ask for, the AppStream metainfo with its screenshot, the man page, the copyright file
#   and the changelog; its dependencies are computed from the program's libraries by
#   dpkg-shlibdeps, plus what it loads or reads at run time (the voice data, the fonts).
# - for Windows, a per-user installer (NSIS, from our own script: CMake's asks for administrator
#   rights) and a portable zip of the program with a short README and the licence.
# `cmake --build BUILD --target package` makes them; the install rules also serve `cmake --install`.
set(PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/resources/packaging)
set(CPACK_PACKAGE_NAME vellumtide)
set(CPACK_PACKAGE_VENDOR "The Vellumtide developers")
set(CPACK_PACKAGE_CONTACT "The Vellumtide developers <packages@vellumtide.app>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://vellumtide.app/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "e-book reader in very large type, with reading aloud")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)  # the package carries no debugging data
set(CPACK_PACKAGE_CHECKSUM SHA256)

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/packaging_windows.cmake)
else()
  include(${CMAKE_CURRENT_LIST_DIR}/packaging_debian.cmake)
endif()
include(CPack)
