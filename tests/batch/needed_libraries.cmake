# Fails unless the ELF file COMMAND names no Qt library among the libraries it needs, while MODULE
# names Qt's Gui library among its own: run with cmake -DREADELF=... -DCOMMAND=... -DMODULE=... -P.
cmake_minimum_required(VERSION 3.25)


function(needed_libraries file result)
  execute_process(COMMAND ${READELF} -d ${file} OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "readelf -d ${file} failed")
  endif()
  string(REGEX MATCHALL "\\(NEEDED\\)[^[]*\\[[^]]+\\]" entries "${dynamic}")
  set(names)
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE ".*\\[([^]]+)\\]" "\\1" name "${entry}")
    list(APPEND names ${name})
  endforeach()
  if(NOT names)
    message(FATAL_ERROR "${file} needs no libraries at all, or readelf's output was not understood")
  endif()
  set(${result} ${names} PARENT_SCOPE)
endfunction()

needed_libraries(${COMMAND} command_needs)
message(STATUS "${COMMAND} needs: ${command_needs}")
foreach(name IN LISTS command_needs)
  if(name MATCHES "^libQt")
    message(FATAL_ERROR "${COMMAND} needs ${name}: the window toolkit would load at every start")
  endif()
endforeach()

needed_libraries(${MODULE} module_needs)
if(NOT "libQt6Gui.so.6" IN_LIST module_needs)
  message(FATAL_ERROR "${MODULE} does not need libQt6Gui.so.6: ${module_needs}")
endif()
