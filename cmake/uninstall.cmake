# Removes what `cmake --install` put down, as listed in its manifest, then the
# folders that are left empty, the icon theme's cache when no icon is left in it,
# and the manifest. Folders every system has (bin, share, share/man/man1, ...)
# stay. Run with the same DESTDIR as the install.
#   cmake -DMANIFEST=build/install_manifest.txt -DPREFIX=/usr/local -P uninstall.cmake
cmake_minimum_required(VERSION 3.24)
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "No ${MANIFEST}: nothing was installed from this build")
endif()
set(root "$ENV{DESTDIR}${PREFIX}")
set(kept bin share share/applications share/metainfo share/icons share/doc share/man
         share/man/man1)

file(STRINGS "${MANIFEST}" installed)
set(folders "")
foreach(listed IN LISTS installed)
  # The manifest names the files as under the prefix, without DESTDIR.
  set(path "$ENV{DESTDIR}${listed}")
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    message(STATUS "Removing ${path}")
    file(REMOVE "${path}")
  endif()
  get_filename_component(folder "${path}" DIRECTORY)
  list(APPEND folders "${folder}")
endforeach()

# gtk-update-icon-cache leaves a cache beside the icons; with the icons gone it
# lists nothing.
set(cache "${root}/share/icons/hicolor/icon-theme.cache")
if(EXISTS "${cache}")
  file(GLOB_RECURSE icons_left "${root}/share/icons/hicolor/*.png" "${root}/share/icons/hicolor/*.svg")
  if(NOT icons_left)
    file(REMOVE "${cache}")
  endif()
endif()

# Each folder, and the folders above it up to the prefix, while empty.
list(REMOVE_DUPLICATES folders)
string(LENGTH "${root}/" root_length)
foreach(folder IN LISTS folders)
  while(TRUE)
    string(FIND "${folder}" "${root}/" at)
    if(NOT at EQUAL 0)
      break()
    endif()
    string(SUBSTRING "${folder}" ${root_length} -1 relative)
    if(relative STREQUAL "" OR relative IN_LIST kept)
      break()
    endif()
    file(GLOB entries "${folder}/*" "${folder}/.*")
    if(entries OR NOT IS_DIRECTORY "${folder}")
      break()
    endif()
    message(STATUS "Removing empty ${folder}")
    file(REMOVE_RECURSE "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
file(REMOVE "${MANIFEST}")
