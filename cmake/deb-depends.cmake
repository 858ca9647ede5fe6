# Read by cpack for a cross build's Debian package: Depends is libc6 at the
# newest GLIBC_ symbol version that the program uses, since it links no other
# shared library.
execute_process(COMMAND ${CPACK_BLATERIX_OBJDUMP} -T ${CPACK_BLATERIX_PROGRAM}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cannot read the dynamic symbols of ${CPACK_BLATERIX_PROGRAM}")
endif()
string(REGEX MATCHALL "GLIBC_[0-9]+(\\.[0-9]+)+" versions "${symbols}")
set(newest 0)
foreach(version ${versions})
    string(REPLACE "GLIBC_" "" version ${version})
    if(version VERSION_GREATER newest)
        set(newest ${version})
    endif()
endforeach()
if(newest STREQUAL "0")
    message(FATAL_ERROR "${CPACK_BLATERIX_PROGRAM} uses no versioned symbol of the C library")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= ${newest})")
