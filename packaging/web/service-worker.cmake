# Included when the web folder is installed, after every other file: writes sw.js from the
# template, with the list of the folder's files and a cache name that differs whenever any of
# them does, so that a new build's files replace the last one's all together. The compressed
# copies of files are the server's to send, not the page's to keep.
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(GLOB_RECURSE paths LIST_DIRECTORIES false RELATIVE "${folder}" "${folder}/*")
list(REMOVE_ITEM paths sw.js)
list(FILTER paths EXCLUDE REGEX "\\.(br|gz)$")
list(SORT paths)
set(digests "")
set(files "")
foreach(path IN LISTS paths)
    file(SHA256 "${folder}/${path}" digest)
    string(APPEND digests "${digest}  ${path}\n")
    string(APPEND files "  \"${path}\",\n")
endforeach()
string(SHA256 build "${digests}")
string(SUBSTRING "${build}" 0 16 build)
set(cache_name "bookkeeping-${version}-${build}")
# Readable by the web server whatever the mode of the template in the checkout.
configure_file("${template}" "${folder}/sw.js" @ONLY NO_SOURCE_PERMISSIONS)
message(STATUS "Installing: ${folder}/sw.js (${cache_name})")
