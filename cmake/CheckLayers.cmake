# Fails when a file under src/ includes a file of a higher layer.
#
# The layers, bottom up: link; shell (the frame: start-up, navigation, quit,
# about); the subsystems settings, ledmatrix, flasher and colorpicker, of
# which settings may use colorpicker and flasher may use ledmatrix; app (the
# composition root) on top. An include names a file of a subsystem by its
# path from src/ or from the including file's folder.
#
# usage: cmake -DSOURCE_DIR=<src folder> -P CheckLayers.cmake

cmake_minimum_required(VERSION 3.25)

set(may_use_link link)
set(may_use_shell link shell)
set(may_use_colorpicker link colorpicker)
set(may_use_settings link shell settings colorpicker)
set(may_use_ledmatrix link shell ledmatrix)
set(may_use_flasher link shell flasher ledmatrix)
set(may_use_app link shell settings ledmatrix flasher colorpicker app)

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(violations "")
foreach(source ${sources})
  string(REGEX MATCH "^[^/]+" layer ${source})
  if(NOT DEFINED may_use_${layer})
    string(APPEND violations "\n  ${source}: src/${layer} has no place among the layers")
    continue()
  endif()
  get_filename_component(folder ${SOURCE_DIR}/${source} DIRECTORY)
  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line ${includes})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]+)[\">].*" "\\1" name "${line}")
    if(EXISTS ${folder}/${name})
      set(target ${folder}/${name})
    elseif(EXISTS ${SOURCE_DIR}/${name})
      set(target ${SOURCE_DIR}/${name})
    else()
      continue()  # a system or library header
    endif()
    file(RELATIVE_PATH target ${SOURCE_DIR} ${target})
    string(REGEX MATCH "^[^/]+" used ${target})
    if(NOT used IN_LIST may_use_${layer})
      string(APPEND violations "\n  ${source} includes ${target}: ${layer} may not use ${used}")
    endif()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes against the layers:${violations}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files keep to the layers")
