# cmake -DPROGRAM=<file> -DLIMIT=<bytes> -P CheckSize.cmake: fails when the file is larger.
file(SIZE "${PROGRAM}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${PROGRAM} has ${size} bytes, over the limit of ${LIMIT}")
endif()
message(STATUS "${PROGRAM}: ${size} bytes (limit ${LIMIT})")
