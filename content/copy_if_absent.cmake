# cmake -DHC_FROM=file -DHC_TO=file -P copy_if_absent.cmake
# Copies HC_FROM to HC_TO unless HC_TO already exists: the game rewrites that file.
if(NOT EXISTS "${HC_TO}")
  get_filename_component(dir "${HC_TO}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  file(COPY_FILE "${HC_FROM}" "${HC_TO}")
  message(STATUS "Installed starting ranking ${HC_TO}")
endif()
