# Runs one host script and checks its transcript.
#   cmake -DHOST=quendarx-host -DDB=quendarx-db -DSCRIPT=NAME.qxs -DWORK=scratch -P RunScript.cmake
#
# Beside NAME.qxs:
#   NAME.out     the expected standard output, compared exactly (required)
#   NAME.status  the expected exit status (default 0)
#   NAME.args    extra command-line arguments, e.g. --locale es_AR
# The script runs in a fresh scratch folder (relative paths in it land there), with its
# own registry file ($QUENDARX_REGISTRY) and configuration folder. Lines of the script
# starting with "#@" are set-up steps for this driver (the runner reads them as comments):
#   #@ db ARGS...   runs quendarx-db ARGS... in the scratch folder first
#                   (e.g. "#@ db sample stock.db", "#@ db sample-outside brevik.db")
#   #@ stdin        feeds the script on standard input (--script -) instead of by name
#   #@ sqlite3 FILE SQL         runs the sqlite3 shell on FILE (in the scratch folder)
#                               with the statements of SQL (beside the script) first
#   #@ after sqlite3 FILE SQL   the same after the script; what the shell prints is
#                               part of the transcript, after the host's output
# A set-up line cannot hold ';' (use one "#@ db sql" line per statement).
#
# With -DSERVER=ON the stock runs on a PostgreSQL server instead (the libpq variables
# PGHOST, PGPORT, PGUSER, PGPASSWORD name it: under ctest, the run's throwaway server;
# without them the test fails): "stock.db" in the script and in its set-up lines stands for a fresh
# database on that server, and the transcript must be the same.
foreach(_var HOST SCRIPT WORK)
  if(NOT ${_var})
    message(FATAL_ERROR "RunScript.cmake needs -D${_var}=...")
  endif()
endforeach()

get_filename_component(_dir ${SCRIPT} DIRECTORY)
get_filename_component(_name ${SCRIPT} NAME_WE)
set(_expected_out ${_dir}/${_name}.out)
if(NOT EXISTS ${_expected_out})
  message(FATAL_ERROR "${_name}: ${_expected_out} is missing")
endif()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK} ${WORK}/config)

set(_stock "")
if(SERVER)
  if(NOT DEFINED ENV{PGHOST} OR NOT DEFINED ENV{PGPORT} OR NOT DB)
    message(FATAL_ERROR "${_name}: no PostgreSQL server named (PGHOST, PGPORT); ctest starts one for the server tests")
  endif()
  string(REPLACE "/" "%2F" _host "$ENV{PGHOST}")
  set(_base "postgresql://$ENV{PGUSER}:$ENV{PGPASSWORD}@${_host}:$ENV{PGPORT}")
  string(MAKE_C_IDENTIFIER "qx_${_name}" _database)
  string(TOLOWER "${_database}" _database)
  foreach(_step "drop database if exists ${_database}" "create database ${_database}")
    execute_process(COMMAND ${DB} sql ${_base}/postgres "${_step}" RESULT_VARIABLE _rc ERROR_VARIABLE _err)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "${_name}: ${_step} failed: ${_err}")
    endif()
  endforeach()
  set(_stock "${_base}/${_database}")
  file(READ ${SCRIPT} _text)
  string(REPLACE "\"stock.db\"" "\"${_stock}\"" _text "${_text}")
  file(WRITE ${WORK}/${_name}.qxs "${_text}")
  set(SCRIPT ${WORK}/${_name}.qxs)
endif()
set(ENV{QUENDARX_REGISTRY} ${WORK}/registry.ini)
set(ENV{XDG_CONFIG_HOME} ${WORK}/config)

# Set-up steps (CMake lists cannot carry ';', so a set-up line must not hold one).
file(READ ${SCRIPT} _text)
if(_text MATCHES "(^|\n)#@[^\n]*;")
  message(FATAL_ERROR "${_name}: a #@ line cannot hold ';'")
endif()
file(STRINGS ${SCRIPT} _lines REGEX "^#@")
set(_stdin FALSE)
set(_after "")
find_program(_sqlite3 sqlite3)
foreach(_line IN LISTS _lines)
  if(_line MATCHES "^#@[ \t]*db[ \t]+(.*)$")
    if(NOT DB)
      message(FATAL_ERROR "${_name}: needs quendarx-db, which is not built")
    endif()
    separate_arguments(_db_args UNIX_COMMAND "${CMAKE_MATCH_1}")
    if(_stock)
      list(TRANSFORM _db_args REPLACE "^stock\\.db$" "${_stock}")
    endif()
    execute_process(COMMAND ${DB} ${_db_args} WORKING_DIRECTORY ${WORK}
                    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "${_name}: quendarx-db ${CMAKE_MATCH_1} failed (${_rc}):\n${_out}${_err}")
    endif()
  elseif(_line MATCHES "^#@[ \t]*sqlite3[ \t]+([^ \t]+)[ \t]+([^ \t]+)[ \t]*$")
    execute_process(COMMAND ${_sqlite3} -bail ${CMAKE_MATCH_1} WORKING_DIRECTORY ${WORK}
                    INPUT_FILE ${_dir}/${CMAKE_MATCH_2}
                    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "${_name}: sqlite3 ${CMAKE_MATCH_1} < ${CMAKE_MATCH_2} failed (${_rc}):\n${_out}${_err}")
    endif()
  elseif(_line MATCHES "^#@[ \t]*after[ \t]+sqlite3[ \t]+([^ \t]+)[ \t]+([^ \t]+)[ \t]*$")
    list(APPEND _after "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}")
  elseif(_line MATCHES "^#@[ \t]*stdin[ \t]*$")
    set(_stdin TRUE)
  elseif(_line MATCHES "^#@")
    message(FATAL_ERROR "${_name}: unknown set-up step: ${_line}")
  endif()
endforeach()

set(_args "")
if(EXISTS ${_dir}/${_name}.args)
  file(READ ${_dir}/${_name}.args _args_text)
  string(STRIP "${_args_text}" _args_text)
  separate_arguments(_args UNIX_COMMAND "${_args_text}")
endif()

if(_stdin)
  execute_process(COMMAND ${HOST} --script - ${_args} WORKING_DIRECTORY ${WORK}
                  INPUT_FILE ${SCRIPT}
                  RESULT_VARIABLE _status OUTPUT_FILE ${WORK}/actual.out ERROR_FILE ${WORK}/stderr.txt)
else()
  execute_process(COMMAND ${HOST} --script ${SCRIPT} ${_args} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE _status OUTPUT_FILE ${WORK}/actual.out ERROR_FILE ${WORK}/stderr.txt)
endif()

foreach(_step IN LISTS _after)
  string(REPLACE "|" ";" _step "${_step}")
  list(GET _step 0 _file)
  list(GET _step 1 _sql)
  execute_process(COMMAND ${_sqlite3} -bail ${_file} WORKING_DIRECTORY ${WORK}
                  INPUT_FILE ${_dir}/${_sql} OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
  file(APPEND ${WORK}/actual.out "${_out}${_err}")
endforeach()

set(_expected_status 0)
if(EXISTS ${_dir}/${_name}.status)
  file(READ ${_dir}/${_name}.status _expected_status)
  string(STRIP "${_expected_status}" _expected_status)
endif()

file(READ ${_expected_out} _want)
file(READ ${WORK}/actual.out _got)
set(_failed FALSE)
if(NOT _got STREQUAL _want)
  set(_failed TRUE)
  execute_process(COMMAND diff -u ${_expected_out} ${WORK}/actual.out OUTPUT_VARIABLE _diff)
  message("${_name}: transcript differs from ${_name}.out:\n${_diff}")
endif()
if(NOT _status STREQUAL _expected_status)
  set(_failed TRUE)
  message("${_name}: exit status ${_status}, expected ${_expected_status}")
endif()
if(_failed)
  file(READ ${WORK}/stderr.txt _stderr)
  message(FATAL_ERROR "${_name} failed (scratch folder ${WORK}); standard error:\n${_stderr}")
endif()
