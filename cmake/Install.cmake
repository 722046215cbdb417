# What `make install` installs and `make package` packs, in two components: `poliz` (the
# programs, their manual pages, the Vim and Neovim files and the licence) and `native` (the
# native tier's plugin, which needs LLVM). Included by the top-level CMakeLists.txt.
include(GNUInstallDirs)
# Directories as Debian's packages have them, whatever the umask of the one who builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)

set(POLIZ_INSTALLED_PROGRAMS poliz poliz-show)
set(POLIZ_MAN_PAGES poliz.1 poliz-show.1)
if(TARGET poliz-lsp)
  list(APPEND POLIZ_INSTALLED_PROGRAMS poliz-lsp)
  list(APPEND POLIZ_MAN_PAGES poliz-lsp.1)
endif()
install(TARGETS ${POLIZ_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT poliz)
# Always lib/poliz/ beside bin/ (not the multiarch libdir a /usr prefix would choose): poliz
# looks for its plugin at ../lib/poliz/ from its own folder, under any prefix.
if(TARGET poliz_native)
  install(TARGETS poliz_native LIBRARY DESTINATION lib/poliz COMPONENT native)
endif()

# Files made for the installation, in the build tree: the manual pages compressed as Debian
# wants them (gzip -9n: the best compression, and no name or time, so the same page always gives
# the same bytes; man reads them as they are), the changelog of the packages, and the licence as
# a machine-readable copyright file.
set(installed_dir ${PROJECT_BINARY_DIR}/installed)
file(MAKE_DIRECTORY ${installed_dir}/man)
set(made_files "")
function(poliz_gzip source target)
  add_custom_command(OUTPUT ${target} COMMAND sh -c "gzip -9n -c \"$0\" >\"$1\"" ${source} ${target}
                     DEPENDS ${source} VERBATIM)
endfunction()
foreach(page ${POLIZ_MAN_PAGES})
  poliz_gzip(${PROJECT_SOURCE_DIR}/man/${page} ${installed_dir}/man/${page}.gz)
  list(APPEND made_files ${installed_dir}/man/${page}.gz)
  install(FILES ${installed_dir}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT poliz)
endforeach()
poliz_gzip(${PROJECT_SOURCE_DIR}/cmake/debian/changelog ${installed_dir}/changelog.Debian.gz)
list(APPEND made_files ${installed_dir}/changelog.Debian.gz)
add_custom_target(poliz_installed_files ALL DEPENDS ${made_files})
add_dependencies(poliz_programs poliz_installed_files)

# The copyright file in Debian's machine-readable form, its licence text that of LICENSE.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${licence}")
set(holders "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n" "" licence "${licence}")
string(STRIP "${licence}" licence)
string(REGEX REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REGEX REPLACE "\n" "\n " licence "${licence}")
file(WRITE ${installed_dir}/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: poliz\n\n"
     "Files: *\n"
     "Copyright: ${holders}\n"
     "License: Expat\n"
     " ${licence}\n")

# Each package has its own documentation folder; the changelog only in the packages.
install(FILES ${installed_dir}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT poliz)
install(FILES ${installed_dir}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT poliz
        EXCLUDE_FROM_ALL)
if(TARGET poliz_native)
  install(FILES ${installed_dir}/copyright ${installed_dir}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/poliz-native COMPONENT native EXCLUDE_FROM_ALL)
endif()

# The editor files where the distribution's editors look without any setup: Vim's system-wide
# folder (Debian's vim has share/vim/vimfiles on its runtime path) and Neovim's site folder
# (share/nvim/site of each XDG data folder, so /usr/share, /usr/local/share and ~/.local/share),
# which takes the Vim files too, and the Neovim plugin that starts poliz-lsp.
install(DIRECTORY editors/vim/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vim/vimfiles COMPONENT poliz)
install(DIRECTORY editors/vim/ editors/nvim/ DESTINATION ${CMAKE_INSTALL_DATADIR}/nvim/site COMPONENT poliz)
