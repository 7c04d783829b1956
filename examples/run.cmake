# Converts the shipped examples with the built programs into OUT.
# Called by the "examples" target: cmake -DBIN=... -DSRC=... -DOUT=... -P run.cmake
file(MAKE_DIRECTORY ${OUT})

function(fit_run program)
  message(STATUS "${program} ${ARGN}")
  execute_process(COMMAND ${BIN}/${program} ${ARGN}
                  WORKING_DIRECTORY ${OUT} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${program} ${ARGN} failed with status ${status}")
  endif()
endfunction()

fit_run(codefit ${SRC}/hello.bin hello.rom -t:ROM)
fit_run(picfit ${SRC}/title-320x200-pillow.pcx title.tav)
fit_run(picfit ${SRC}/logo-640x200-pillow.pcx logo.tav -b)

message(STATUS "Converted examples are in ${OUT}")
