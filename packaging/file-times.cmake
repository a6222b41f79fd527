# Run by CPack on the files it is about to pack. Each gets the time of the last commit, which the
# zip keeps, rather than the time of the build.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    return()
endif()
file(GLOB_RECURSE paths LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
execute_process(
    COMMAND touch -h -d @$ENV{SOURCE_DATE_EPOCH} ${CPACK_TEMPORARY_INSTALL_DIRECTORY} ${paths}
    COMMAND_ERROR_IS_FATAL ANY)
