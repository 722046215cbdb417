# `make package`: the Debian packages of what cmake/Install.cmake installs, made by CPack under
# /usr, one per component: `poliz` (the programs, their manual pages, the editor files; no
# LLVM) and `poliz-native` (the native tier's plugin, with LLVM 14), which `poliz` recommends, so
# that a lab without room for LLVM gets a small install. Included by the top-level CMakeLists.txt.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME poliz)
# The version is the latest entry of cmake/debian/changelog, which the package test compares.
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(POLIZ_DEBIAN_VERSION ${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_PACKAGE_VENDOR "the poliz authors")
set(CPACK_PACKAGE_CONTACT "the poliz authors <poliz@users.noreply.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL poliz)

set(CPACK_DEBIAN_POLIZ_PACKAGE_NAME poliz)
set(CPACK_DEBIAN_POLIZ_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_POLIZ_PACKAGE_SUGGESTS "vim | neovim")
# The first line is the summary; one string, since a list would be joined with ';'.
string(CONCAT CPACK_DEBIAN_POLIZ_DESCRIPTION
       "interpreter of a small teaching language, with a language server\n"
       "poliz translates a program of a small, statically typed teaching language\n"
       "into POLIZ, a reverse-Polish sequence, and runs it. poliz-show lists, traces\n"
       "and steps through that sequence and explains errors; poliz-lsp shows them in\n"
       "an editor as the program is typed. Vim and Neovim know .ppp files once this\n"
       "is installed. The native tier, which compiles hot loops to machine code, is\n"
       "the package poliz-native.")

if(TARGET poliz_native)
  list(APPEND CPACK_COMPONENTS_ALL native)
  set(CPACK_DEBIAN_POLIZ_PACKAGE_RECOMMENDS poliz-native)
  set(CPACK_DEBIAN_NATIVE_PACKAGE_NAME poliz-native)
  set(CPACK_DEBIAN_NATIVE_PACKAGE_SECTION devel)
  # The plugin speaks the interface of the poliz built with it, by the same compiler, whose
  # dependencies carry the versions of the C and C++ libraries. Not found by dpkg-shlibdeps:
  # CPack would then add ldconfig calls to the package of any shared object it examines below
  # /usr/lib, where the plugin is loaded by its path and never through ldconfig's cache.
  set(CPACK_DEBIAN_NATIVE_PACKAGE_DEPENDS "poliz (= ${POLIZ_DEBIAN_VERSION}), libllvm14, libc6, libstdc++6, libgcc-s1")
  set(CPACK_DEBIAN_NATIVE_PACKAGE_SHLIBDEPS OFF)
  string(CONCAT CPACK_DEBIAN_NATIVE_DESCRIPTION
         "native tier of the poliz interpreter, which compiles hot loops\n"
         "With this installed, poliz compiles a program whose loop gets hot to machine\n"
         "code with LLVM and runs it on from there, with the same output, errors and\n"
         "exit status; poliz-show --native shows that code. Without it, poliz runs\n"
         "every program on its own fast backend.")
endif()

# The libraries the programs link, found by dpkg-shlibdeps where it is installed (dpkg-dev).
find_program(POLIZ_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(POLIZ_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_POLIZ_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_POLIZ_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
endif()
# The packages hold only what is installed, so CPack builds only that: `make package` builds the
# programs first, as `make install` does, rather than every test and tool of the tree.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
