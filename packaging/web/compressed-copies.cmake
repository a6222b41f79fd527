# Included when the web folder is installed: beside each of the files the list `compressed` names,
# its copy compressed by brotli at its highest level (.br) and by gzip (.gz), which servers that
# keep such copies send to the browsers that take them. Neither carries a name or a time.
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
foreach(file IN LISTS compressed)
    execute_process(
        COMMAND "${brotli}" --best --force --keep "${folder}/${file}"
        COMMAND_ERROR_IS_FATAL ANY)
    execute_process(
        COMMAND "${gzip}" -9 --no-name --force --keep "${folder}/${file}"
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()
