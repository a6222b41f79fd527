# Programs for another Debian architecture, cross-built with Debian's cross toolchain
# (crossbuild-essential-ARCH) against that architecture's libraries, installed beside this
# machine's own (multiarch). The architecture is the one dpkg-architecture -a ARCH exports.
if(NOT DEFINED ENV{DEB_HOST_GNU_TYPE})
    message(FATAL_ERROR "Cross-building needs the target's variables: eval \"$(dpkg-architecture -a ARCH -s)\"")
endif()
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR $ENV{DEB_HOST_GNU_CPU})
set(CMAKE_C_COMPILER $ENV{DEB_HOST_GNU_TYPE}-gcc)
set(CMAKE_CXX_COMPILER $ENV{DEB_HOST_GNU_TYPE}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE $ENV{DEB_HOST_MULTIARCH})
# Qt's tools, such as moc, are this machine's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
