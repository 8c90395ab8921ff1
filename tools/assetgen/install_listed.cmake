# Run by "cmake --install": installs the files named in HC_ASSET_LIST (paths relative to HC_ASSET_ROOT)
# under HC_ASSET_DESTINATION (relative to the install prefix), each in its own folder.
if(NOT EXISTS "${HC_ASSET_LIST}")
  message(FATAL_ERROR "No list of generated files (${HC_ASSET_LIST}): build the project before installing it")
endif()
file(STRINGS "${HC_ASSET_LIST}" hc_listed ENCODING UTF-8)
list(REMOVE_DUPLICATES hc_listed)
foreach(rel IN LISTS hc_listed)
  get_filename_component(dir "${rel}" DIRECTORY)
  file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${HC_ASSET_DESTINATION}/${dir}" TYPE FILE
    FILES "${HC_ASSET_ROOT}/${rel}")
endforeach()
