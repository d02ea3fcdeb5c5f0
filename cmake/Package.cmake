# The Debian package: `cpack -G DEB` in the build tree makes
# kinetra_<version>_<arch>.deb from the rules of a full installation, laid
# out under /usr.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kinetra)
set(CPACK_PACKAGE_VENDOR "The Kinetra developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and palette editor for Vorenth FLC unit animations")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Kinetra decodes every frame of an 8-bit FLC animation of the strategy game\n"
    "Vorenth and plays it over a chosen background, with the game's shadow and\n"
    "light pixels blended in. It shows one compass direction or all eight,\n"
    "tints the unit in a civilization colouring, and edits, imports and exports\n"
    "the 256-colour palette. kinetra-cli does the same work without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Kinetra developers <maintainers@users.noreply.c-seed-f6ac4036.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Qt libraries come from dpkg-shlibdeps (package dpkg-dev). The SVG
# icons need Qt's SVG plugins, which no binary links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")

include(CPack)
