# Writes a gzipped man page for one program from its --help and --version.
# cmake -DPROGRAM=path -DNAME=text -DOUT=file.1.gz -P manpage.cmake
execute_process(
  COMMAND help2man --no-info --no-discard-stderr --section=1 --name=${NAME} ${PROGRAM}
  OUTPUT_VARIABLE page RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${PROGRAM}")
endif()
string(REGEX REPLACE "\\.gz$" "" plain ${OUT})
file(WRITE ${plain} "${page}")
execute_process(COMMAND gzip -9nf ${plain} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${plain}")
endif()
