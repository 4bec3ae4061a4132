# quendarx-host --screenshot without a display: the window is drawn offscreen, pressed
# as asked and saved as PNG; a field or button the window does not have, or the option
# beside --script, is refused with status 2.
#   cmake -DHOST=quendarx-host -DWORK=scratch -P Screenshot.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(ENV{QUENDARX_REGISTRY} ${WORK}/registry.ini)
set(ENV{DISPLAY} "")
set(ENV{WAYLAND_DISPLAY} "")

function(run_host expected_status)
  execute_process(COMMAND ${HOST} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
  if(NOT _rc STREQUAL "${expected_status}")
    message(FATAL_ERROR "quendarx-host ${ARGN}: status ${_rc}, expected ${expected_status}\n${_out}${_err}")
  endif()
  set(_err "${_err}" PARENT_SCOPE)
endfunction()

# Eliminar_Articulo with no row chosen only says so in the status line (a message box
# would wait for a person).
run_host(0 --set txtInterno=EXP-1 --press Eliminar_Articulo --screenshot window.png)
file(READ ${WORK}/window.png _magic LIMIT 8 HEX)
if(NOT _magic STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "window.png is not a PNG (${_magic})")
endif()

run_host(2 --press NoSuchMember --screenshot other.png)
if(NOT _err MATCHES "no button NoSuchMember" OR EXISTS ${WORK}/other.png)
  message(FATAL_ERROR "an unknown button: ${_err}")
endif()
run_host(2 --set txtNada=1 --screenshot other.png)
run_host(2 --script nothing.qxs --screenshot other.png)
