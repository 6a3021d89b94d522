# The Debian package: `cmake --build build --target package` writes packhelm_<version>_<arch>.deb
# into the build folder. Its library dependencies come from dpkg-shlibdeps; it recommends the
# packer. The desktop's caches (menu, icons, AppStream) are refreshed by Debian's own triggers.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME packhelm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop front end for the UPX executable packer")
# The synopsis above is the first line; this is the long description below it.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Packhelm packs and unpacks programs and libraries with UPX. Pick files with a\n"
  "file dialog, by dropping them on the window or from the file manager's context\n"
  "menu, set the packer's options with check boxes and sliders, and press a button:\n"
  "the packer's live output appears in a console window of Packhelm's own.\n"
  "Its windows speak English, German and Russian.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "upx-ucl | upx")
# Debug information stays out of the package (the build folder keeps it).
set(CPACK_STRIP_FILES ON)
if(PACKHELM_HOMEPAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PACKHELM_HOMEPAGE})
endif()
# A package must name a maintainer; without a contact address the project's name stands alone.
if(PACKHELM_CONTACT)
  set(CPACK_PACKAGE_CONTACT "Packhelm developers <${PACKHELM_CONTACT}>")
else()
  set(CPACK_PACKAGE_CONTACT "Packhelm developers")
endif()
# Only the program's own install rules; tests and benchmarks have none.
include(CPack)
