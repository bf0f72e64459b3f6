# Run by CPack between installing into its staging folder and packing: strips the programs as
# Debian's packaging tools do, also of the sections that only name the compiler.
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*")
if(NOT programs)
    message(FATAL_ERROR "No programs to strip in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(program ${programs})
    execute_process(COMMAND ${CPACK_VARNEL_STRIP} --remove-section=.comment --remove-section=.note
                            --strip-unneeded ${program}
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Cannot strip ${program}")
    endif()
endforeach()
