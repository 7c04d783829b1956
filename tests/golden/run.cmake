# Runs one golden case and compares what it gives with what the case expects.
#   cmake -DBIN=<programs> -DSRC=<source root> -DCASE=<case folder> -DWORK=<scratch>
#         [-DUPDATE=ON] -P run.cmake
# A case folder holds:
#   args      the program, then one argument a line
#   inputs    optional: files, relative to the source root, copied into the working
#             folder first (the programs print the names they are given)
#   stdin     optional: one file, relative to the source root, given as standard input
#   status    optional: the exit status, 0 when absent
#   stdout, stderr   what the program prints, byte for byte
#   expected/ every file the run leaves in its working folder besides the inputs
# UPDATE=ON writes what the run gave into the case instead of comparing.
foreach(var BIN SRC CASE WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run.cmake needs -D${var}=...")
  endif()
endforeach()

set(run ${WORK}/run)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${run})

file(STRINGS ${CASE}/args words)
list(POP_FRONT words program)
set(input_names)
if(EXISTS ${CASE}/inputs)
  file(STRINGS ${CASE}/inputs inputs)
  foreach(input ${inputs})
    file(COPY ${SRC}/${input} DESTINATION ${run})
    get_filename_component(name ${input} NAME)
    list(APPEND input_names ${name})
  endforeach()
endif()

set(input_file)
if(EXISTS ${CASE}/stdin)
  file(STRINGS ${CASE}/stdin stdin_name LIMIT_COUNT 1)
  set(input_file INPUT_FILE ${SRC}/${stdin_name})
endif()
execute_process(COMMAND ${BIN}/${program} ${words} WORKING_DIRECTORY ${run} ${input_file}
                RESULT_VARIABLE status OUTPUT_FILE ${WORK}/stdout ERROR_FILE ${WORK}/stderr)

file(GLOB written RELATIVE ${run} ${run}/*)
if(input_names)
  list(REMOVE_ITEM written ${input_names})
endif()
list(SORT written)

if(UPDATE)
  file(REMOVE_RECURSE ${CASE}/expected)
  foreach(name ${written})
    file(COPY ${run}/${name} DESTINATION ${CASE}/expected)
  endforeach()
  # COPY_FILE, not COPY: COPY passes over a file whose time stamp matches.
  file(COPY_FILE ${WORK}/stdout ${CASE}/stdout)
  file(COPY_FILE ${WORK}/stderr ${CASE}/stderr)
  if(status EQUAL 0)
    file(REMOVE ${CASE}/status)
  else()
    file(WRITE ${CASE}/status "${status}\n")
  endif()
  return()
endif()

set(faults)
set(expected_status 0)
if(EXISTS ${CASE}/status)
  file(STRINGS ${CASE}/status expected_status LIMIT_COUNT 1)
endif()
if(NOT "${status}" STREQUAL "${expected_status}")
  list(APPEND faults "exit status ${status}, expected ${expected_status}")
endif()

function(compare expected actual what)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${expected} ${actual}
                  RESULT_VARIABLE differ OUTPUT_QUIET ERROR_QUIET)
  if(NOT differ EQUAL 0)
    set(faults ${faults} "${what} differs from ${expected}" PARENT_SCOPE)
  endif()
endfunction()

compare(${CASE}/stdout ${WORK}/stdout "standard output")
compare(${CASE}/stderr ${WORK}/stderr "standard error")

set(expected_files)
if(IS_DIRECTORY ${CASE}/expected)
  file(GLOB expected_files RELATIVE ${CASE}/expected ${CASE}/expected/*)
  list(SORT expected_files)
endif()
if(NOT "${written}" STREQUAL "${expected_files}")
  list(APPEND faults "files written: '${written}', expected: '${expected_files}'")
endif()
foreach(name ${expected_files})
  if(EXISTS ${run}/${name})
    compare(${CASE}/expected/${name} ${run}/${name} "${name}")
  endif()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "${program} ${words}:\n  ${text}\n(what it gave is in ${WORK})")
endif()
