# The Windows installer and the portable zip (see cmake/packaging.cmake). Both hold the same files:
# the program, a short README and the licence, with Windows line ends. The installer's script is
# ours (cmake/nsis/NSIS.template.in): it installs for the current user only, so it never asks for
# administrator rights.
install(TARGETS vellumtide RUNTIME DESTINATION .)
set(WINDOWS_TEXTS_DIR ${CMAKE_CURRENT_BINARY_DIR}/package-files)
configure_file(${PACKAGING_DIR}/README-windows.txt ${WINDOWS_TEXTS_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/LICENSE ${WINDOWS_TEXTS_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${WINDOWS_TEXTS_DIR}/README.txt ${WINDOWS_TEXTS_DIR}/LICENSE.txt DESTINATION .)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/nsis)
set(CPACK_NSIS_DISPLAY_NAME Vellumtide)
set(CPACK_NSIS_PACKAGE_NAME Vellumtide)
set(CPACK_NSIS_MUI_ICON ${CMAKE_CURRENT_BINARY_DIR}/icons/logo.ico)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_STRIP_FILES OFF)  # the program is linked stripped; the host's strip does not read it
# The file name says what each package is: vellumtide-1.8.0-setup.exe, vellumtide-1.8.0-portable.zip.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/nsis/package_names.cmake)
