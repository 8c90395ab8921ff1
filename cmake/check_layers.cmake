# Fails when a file of the game (app/, engine/, game/, scenes/ under HC_CHECK_ROOT) includes a header of
# SDL, SDL_ttf, OpenGL, OpenAL, Assimp, stb or fontconfig: only platform/ and tools/ may. Every such
# line is listed. Runs before the game builds and as a test.
#   cmake -DHC_CHECK_ROOT=DIR -P check_layers.cmake
if(NOT HC_CHECK_ROOT)
  message(FATAL_ERROR "check_layers: HC_CHECK_ROOT is not set")
endif()

set(pattern "^[ \t]*#[ \t]*include[ \t]*[<\"](SDL|SDL2/|GL/|GLES|KHR/|epoxy/|AL/|assimp/|stb|fontconfig/)[^>\"]*[>\"]")
set(found "")
foreach(dir app engine game scenes)
  file(GLOB_RECURSE files ${HC_CHECK_ROOT}/${dir}/*.cpp ${HC_CHECK_ROOT}/${dir}/*.h ${HC_CHECK_ROOT}/${dir}/*.hpp)
  foreach(file ${files})
    file(STRINGS ${file} lines REGEX "${pattern}")
    file(RELATIVE_PATH relative ${HC_CHECK_ROOT} ${file})
    foreach(line ${lines})
      string(STRIP "${line}" line)
      string(APPEND found "  ${relative}: ${line}\n")
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "The game reaches SDL, GL, AL, Assimp and stb only through platform/; these files "
                      "include their headers:\n${found}")
endif()
