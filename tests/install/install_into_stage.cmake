# Installs the build BUILD into the folder STAGE as "make install PREFIX=/usr DESTDIR=STAGE" does,
# after removing whatever an earlier run left there.
file(REMOVE_RECURSE ${STAGE})
set(ENV{DESTDIR} ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install ${BUILD} failed: ${result}")
endif()
