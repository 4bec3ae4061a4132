# quendarx-host --register writes both ProgIDs with the library's path into the registry
# file; --unregister removes them.
#   cmake -DHOST=quendarx-host -DWORK=scratch -P Register.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(ENV{QUENDARX_REGISTRY} ${WORK}/registry.ini)

execute_process(COMMAND ${HOST} --register RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "--register failed (${_rc}): ${_out}${_err}")
endif()
file(READ ${WORK}/registry.ini _registry)
foreach(_progid QuendarxDLL.clcancelMain QuendarxDLL.clImportar)
  if(NOT _registry MATCHES "\\[${_progid}\\]\nCLSID={[0-9A-F-]+}\nLibrary=[^\n]*libquendarx\\.so")
    message(FATAL_ERROR "--register did not write ${_progid}:\n${_registry}")
  endif()
endforeach()

execute_process(COMMAND ${HOST} --unregister RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "--unregister failed (${_rc}): ${_out}${_err}")
endif()
set(_registry "")
if(EXISTS ${WORK}/registry.ini)
  file(READ ${WORK}/registry.ini _registry)
endif()
if(_registry MATCHES "Quendarx")
  message(FATAL_ERROR "--unregister left the ProgIDs:\n${_registry}")
endif()

# Without a script and without a display the host explains itself and stops.
set(ENV{DISPLAY} "")
set(ENV{WAYLAND_DISPLAY} "")
execute_process(COMMAND ${HOST} RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
if(NOT _rc EQUAL 2 OR NOT _err MATCHES "usage: quendarx-host --script FILE")
  message(FATAL_ERROR "without --script: status ${_rc}, standard error:\n${_err}")
endif()
