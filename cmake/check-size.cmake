# Fails when a stripped copy of FILE is larger than LIMIT bytes:
#   cmake -DSTRIP=... -DFILE=... -DCOPY=... -DLIMIT=... -P check-size.cmake
execute_process(COMMAND ${STRIP} -o ${COPY} ${FILE} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cannot strip ${FILE}")
endif()
file(SIZE ${COPY} size)
if(size GREATER LIMIT)
    message(FATAL_ERROR "${FILE} stripped is ${size} bytes, over the limit of ${LIMIT}")
endif()
message(STATUS "${FILE} stripped: ${size} bytes (limit ${LIMIT})")
