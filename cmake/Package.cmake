# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cmake --build build --target package` writes packhelm_<version>_<arch>.deb
# into the build folder. Its library dependencies come from dpkg-shlibdeps; it recommends the
# packer. The desktop's caches (menu, icons, AppStream) are refreshed by Debian's own triggers.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME packhelm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop front end for the UPX executable packer")
# The synopsis above is the first line; this is the long description below it.
# (Each line stays within 79 characters: the package format puts a blank before it.)
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Packhelm packs and unpacks programs and libraries with UPX. Pick files with\n"
  "a file dialog, by dropping them on the window or from the file manager's\n"
  "context menu, set the packer's options with check boxes and sliders, and\n"
  "press a button: the packer's live output appears in a console window of\n"
  "Packhelm's own. Its windows speak English, German and Russian.")
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
# A package must name a maintainer with an address: the project's contact address where the
# build sets one, else the packager's own as Debian's tools take it (DEBFULLNAME, DEBEMAIL),
# else the project's address on its code host, which takes no mail.
set(maintainer_name "Packhelm developers")
if(PACKHELM_CONTACT)
  set(maintainer_mail ${PACKHELM_CONTACT})
elseif("$ENV{DEBEMAIL}" MATCHES "^[^<>\"@ ]+@[A-Za-z0-9.-]+$")
  set(maintainer_mail $ENV{DEBEMAIL})
  if("$ENV{DEBFULLNAME}" MATCHES "^[^<>\",@]+$")
    set(maintainer_name "$ENV{DEBFULLNAME}")
  endif()
else()
  set(maintainer_mail "packhelm@users.noreply.github.com")
endif()
set(PACKHELM_MAINTAINER "${maintainer_name} <${maintainer_mail}>")
set(CPACK_PACKAGE_CONTACT "${PACKHELM_MAINTAINER}")

# The package's documents where Debian keeps them: the copyright file (machine-readable, naming
# the licence) and the changelog, made from the version history at every build.
set(doc_out ${CMAKE_BINARY_DIR}/debian)

# Where the distribution has no packer package (Debian 12), the package can bring the packer
# itself: a UPX built from the source in third_party/upx/ (scripts/build-upx.sh DEST), installed
# as libexec/packhelm/upx. Packhelm looks there last, so a distribution's packer still wins.
set(PACKHELM_BUNDLED_PACKER "" CACHE FILEPATH
  "A UPX built by scripts/build-upx.sh, installed as the program's own packer")
set(PACKHELM_COPYRIGHT_PACKER "")
if(PACKHELM_BUNDLED_PACKER)
  if(NOT EXISTS "${PACKHELM_BUNDLED_PACKER}" OR IS_DIRECTORY "${PACKHELM_BUNDLED_PACKER}")
    message(FATAL_ERROR "PACKHELM_BUNDLED_PACKER: ${PACKHELM_BUNDLED_PACKER} is not a file")
  endif()
  # Stripped here as Debian's tools strip (CPack's stripping passes over a program installed
  # this way).
  set(bundled ${CMAKE_BINARY_DIR}/bundled-packer/upx)
  add_custom_command(OUTPUT ${bundled}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bundled-packer
    COMMAND ${CMAKE_STRIP} --remove-section=.comment --remove-section=.note --strip-unneeded
            -o ${bundled} ${PACKHELM_BUNDLED_PACKER}
    DEPENDS ${PACKHELM_BUNDLED_PACKER} VERBATIM)
  add_custom_target(packhelm_bundled_packer ALL DEPENDS ${bundled})
  install(PROGRAMS ${bundled} DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/packhelm)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/lintian-overrides-upx
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME packhelm)
  file(READ ${PROJECT_SOURCE_DIR}/resources/debian/copyright-upx.in PACKHELM_COPYRIGHT_PACKER)
endif()
set(PACKHELM_COPYRIGHT_SOURCE "")
if(PACKHELM_HOMEPAGE)
  set(PACKHELM_COPYRIGHT_SOURCE "Source: ${PACKHELM_HOMEPAGE}\n")
endif()
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/copyright.in ${doc_out}/copyright @ONLY)
add_custom_target(packhelm_changelog_text
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DOUTPUT=${doc_out}/changelog
          -DVERSION=${PROJECT_VERSION} "-DMAINTAINER=${PACKHELM_MAINTAINER}"
          -P ${CMAKE_CURRENT_LIST_DIR}/DebianChangelog.cmake
  BYPRODUCTS ${doc_out}/changelog VERBATIM)
find_program(GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${doc_out}/changelog.gz
  COMMAND ${GZIP} -9nkf ${doc_out}/changelog
  DEPENDS ${doc_out}/changelog packhelm_changelog_text VERBATIM)
add_custom_target(packhelm_changelog ALL DEPENDS ${doc_out}/changelog.gz)
install(FILES ${doc_out}/copyright ${doc_out}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/packhelm)

# Only the program's own install rules; tests and benchmarks have none.
include(CPack)
