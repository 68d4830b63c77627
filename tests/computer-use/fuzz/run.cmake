# Builds the fuzz targets with clang++-14 and runs each for SECONDS; any crash, failed invariant
# or leak fails the test and leaves the input under BINARY_DIR/artifacts.
find_program(CLANGXX clang++-14)
if(NOT CLANGXX)
  message(FATAL_ERROR "clang++-14 is missing (scripts/setup.sh installs it)")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/clang -B ${BINARY_DIR} -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CLANGXX} -DDORV_WERROR=${WERROR}
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} COMMAND_ERROR_IS_FATAL ANY)

file(MAKE_DIRECTORY ${BINARY_DIR}/artifacts)
foreach(parser chord point)
  # New inputs go to the build tree's corpus; the seeds in the source tree are only read.
  file(MAKE_DIRECTORY ${BINARY_DIR}/corpus/${parser})
  execute_process(COMMAND ${BINARY_DIR}/${parser}_fuzz -max_total_time=${SECONDS} -timeout=10
      -dict=${SOURCE_DIR}/${parser}.dict -artifact_prefix=${BINARY_DIR}/artifacts/${parser}-
      ${BINARY_DIR}/corpus/${parser} ${SOURCE_DIR}/seeds/${parser}
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${parser}_fuzz found a fault (exit ${status}); input in ${BINARY_DIR}/artifacts")
  endif()
endforeach()
