# Converts the shipped examples with the built programs into OUT.
# Called by the "examples" target: cmake -DBIN=... -DSRC=... -DOUT=... -P run.cmake
file(MAKE_DIRECTORY ${OUT})

function(fit_run program)
  string(JOIN " " words ${ARGN})
  message(STATUS "${program} ${words}")
  execute_process(COMMAND ${BIN}/${program} ${ARGN}
                  WORKING_DIRECTORY ${OUT} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${program} ${ARGN} failed with status ${status}")
  endif()
endfunction()

fit_run(codefit ${SRC}/hello.bin hello.exe)
fit_run(codefit ${SRC}/hello.bin hello.obj -t:DOS)
fit_run(codefit ${SRC}/hello.bin hello.rom -t:ROM)
fit_run(codefit ${SRC}/hello.bin hello.k7 -t:K7 -n:HELO -l:1)
fit_run(codefit ${SRC}/hello.bin hello.bas -t:BAS)
fit_run(datafit ${SRC}/level.dat level.dsk)
fit_run(datafit ${SRC}/level.dat level.k7 -t:K7 -H:80 -r:100 -n:LVL1)
fit_run(datafit ${SRC}/sprites.bin sprites.asm -t:TASM)
fit_run(picfit ${SRC}/title-320x200-pillow.pcx title.tav)
fit_run(picfit ${SRC}/logo-640x200-pillow.pcx logo.tav -b)
fit_run(picfit ${SRC}/rose-280x184.png rose.tav --fit --preview=rose.png)
fit_run(picfit ${SRC}/cat-160x200-exif.jpg cat.tav --preview=cat.png)
fit_run(fitinfo hello.exe hello.obj hello.rom hello.k7 hello.bas level.dsk level.k7 sprites.asm
        title.tav logo.tav)
fit_run(fitinfo -x hello-back.bin hello.exe)
fit_run(fitinfo -x title.png title.tav)

message(STATUS "Converted examples are in ${OUT}")
