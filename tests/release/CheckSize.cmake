# cmake -DPROGRAM=<file> -P CheckSize.cmake: fails when the shipped program is larger than its
# limit. The program stays small: growing past the limit is a decision, not an accident.
set(LIMIT 524288)
file(SIZE "${PROGRAM}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${PROGRAM} has ${size} bytes, over the limit of ${LIMIT}")
endif()
message(STATUS "${PROGRAM}: ${size} bytes (limit ${LIMIT})")
