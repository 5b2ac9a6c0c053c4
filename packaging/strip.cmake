# Strips the staged programs as Debian's own packaging does: symbols, debug information and the
# compiler's notes, which the package has no use for.
file(GLOB programs LIST_DIRECTORIES false
     "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*")
if(NOT programs)
    message(FATAL_ERROR "No program in ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin")
endif()
foreach(program IN LISTS programs)
    execute_process(
        COMMAND ${CPACK_CM_STRIP} --remove-section=.comment --remove-section=.note "${program}"
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()
