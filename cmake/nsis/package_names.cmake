# Read by CPack once per generator: each Windows package is named for what it is.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "vellumtide-${CPACK_PACKAGE_VERSION}-setup")
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_PACKAGE_FILE_NAME "vellumtide-${CPACK_PACKAGE_VERSION}-portable")
endif()
