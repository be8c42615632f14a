# Runs modhost once for a CTest case and checks what it did. The case file
# (written at configure time) sets:
#   COMMAND               the emulator, if any, and modhost
#   ARGS                  modhost's arguments
#   EXPECT_EXIT           the exit code
#   STDIN_FILE            standard input (default: empty)
#   STDOUT_FILE           standard output must equal this file
#   STDOUT_MATCHES        regular expressions standard output must match
#   STDOUT_LACKS          regular expressions standard output must not match
#   STDOUT_JSON           standard output must be one JSON document
#   STDERR_LINE           standard error must be exactly one line matching this
#   STDERR_MATCHES        regular expressions standard error must match
#   WIN32_BUILT_FILE      a file the win32 preset builds, which must exist
# Without STDERR_LINE or STDERR_MATCHES, standard error must be empty.
include(${CASE})

if(DEFINED WIN32_BUILT_FILE AND NOT EXISTS ${WIN32_BUILT_FILE})
  message(FATAL_ERROR "${WIN32_BUILT_FILE} is missing: build the win32 preset first "
                      "(cmake --preset win32 && cmake --build --preset win32)")
endif()

if(NOT DEFINED STDIN_FILE)
  set(STDIN_FILE /dev/null)
endif()
execute_process(COMMAND ${COMMAND} ${ARGS}
  INPUT_FILE ${STDIN_FILE}
  RESULT_VARIABLE exit_code
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)

set(problems "")
if(NOT exit_code STREQUAL EXPECT_EXIT)
  string(APPEND problems "exit code ${exit_code}, expected ${EXPECT_EXIT}\n")
endif()
if(DEFINED STDOUT_FILE)
  file(READ ${STDOUT_FILE} expected)
  if(NOT out STREQUAL expected)
    string(APPEND problems "standard output differs from ${STDOUT_FILE}; expected:\n${expected}\n")
  endif()
endif()
foreach(regex IN LISTS STDOUT_MATCHES)
  if(NOT out MATCHES "${regex}")
    string(APPEND problems "standard output does not match: ${regex}\n")
  endif()
endforeach()
foreach(regex IN LISTS STDOUT_LACKS)
  if(out MATCHES "${regex}")
    string(APPEND problems "standard output matches what it must not: ${regex}\n")
  endif()
endforeach()
if(STDOUT_JSON)
  string(JSON type ERROR_VARIABLE json_error TYPE "${out}")
  if(json_error)
    string(APPEND problems "standard output is not JSON: ${json_error}\n")
  endif()
endif()
if(DEFINED STDERR_LINE)
  string(REGEX MATCHALL "\n" line_ends "${err}")
  list(LENGTH line_ends line_count)
  if(NOT line_count EQUAL 1 OR NOT err MATCHES "\n$" OR NOT err MATCHES "${STDERR_LINE}")
    string(APPEND problems "standard error is not one line matching: ${STDERR_LINE}\n")
  endif()
elseif(DEFINED STDERR_MATCHES)
  foreach(regex IN LISTS STDERR_MATCHES)
    if(NOT err MATCHES "${regex}")
      string(APPEND problems "standard error does not match: ${regex}\n")
    endif()
  endforeach()
elseif(NOT err STREQUAL "")
  string(APPEND problems "standard error is not empty\n")
endif()

if(problems)
  list(JOIN COMMAND " " command_text)
  list(JOIN ARGS " " args_text)
  message(FATAL_ERROR "${command_text} ${args_text}\n${problems}"
                      "---- standard output:\n${out}---- standard error:\n${err}")
endif()
