# `make package`: a Debian package of what `make install` installs (the programs, their manual
# pages, the Vim files, the licence), made by CPack under /usr. Included by the top-level
# CMakeLists.txt.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME poliz)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_VENDOR "the poliz authors")
set(CPACK_PACKAGE_CONTACT "the poliz authors <poliz@users.noreply.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interpreter of a small teaching language, with a language server")
# One string: a list of several would be joined with ';'.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "poliz translates a program of a small, statically typed teaching language into POLIZ, a\n"
       "reverse-Polish sequence, and runs it. poliz-show lists, traces and steps through that\n"
       "sequence and explains errors; poliz-lsp shows them in an editor as the program is typed.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "vim | neovim")
# The libraries the programs link, found by dpkg-shlibdeps where it is installed (dpkg-dev).
find_program(POLIZ_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(POLIZ_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
endif()
# The package holds only what is installed, so CPack builds only that: `make package` builds the
# programs first, as `make install` does, rather than every test and tool of the tree.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
