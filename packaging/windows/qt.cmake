# Initial cache for building Qt for Windows from Debian's qt6-base source: only what the program
# and its test suites need, as shared libraries, with Debian's own Qt of the same version as the
# host tools (moc, rcc, uic).
set(CMAKE_BUILD_TYPE Release CACHE STRING "")
set(BUILD_SHARED_LIBS ON CACHE BOOL "")
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

set(QT_BUILD_EXAMPLES OFF CACHE BOOL "")
set(QT_BUILD_TESTS OFF CACHE BOOL "")
set(QT_BUILD_BENCHMARKS OFF CACHE BOOL "")
set(QT_GENERATE_SBOM OFF CACHE BOOL "")
# Sources compiled together, a few dozen at a time: on two cores this takes about a third off
# the build's time.
set(QT_UNITY_BUILD ON CACHE BOOL "")

# Core, Gui, Widgets and Test; nothing else.
foreach(feature sql network dbus opengl vulkan printsupport concurrent xml icu jpeg)
    set(FEATURE_${feature} OFF CACHE BOOL "")
endforeach()
set(INPUT_opengl no CACHE STRING "")
# Debian's source leaves out the Wintab headers that tablet events are built on.
set(FEATURE_tabletevent OFF CACHE BOOL "")
# Direct2D itself stays: the Windows font database is built on it.
set(FEATURE_direct2d1_1 OFF CACHE BOOL "")

# The third-party libraries Qt bundles, built into its DLLs, rather than more DLLs to ship.
foreach(library freetype harfbuzz zlib pcre2 png doubleconversion)
    set(FEATURE_system_${library} OFF CACHE BOOL "")
endforeach()

# The build's folders are mapped out of the file names compiled into the DLLs, such as those of
# Qt Test's and Qt Widgets' messages: Qt built in any folder gives the same bytes.
set(prefix_maps "-ffile-prefix-map=${CMAKE_SOURCE_DIR}=/usr/src/qt6-base")
string(APPEND prefix_maps " -ffile-prefix-map=${CMAKE_BINARY_DIR}=/usr/src/qt6-base-build")
set(CMAKE_C_FLAGS "${prefix_maps}" CACHE STRING "")
set(CMAKE_CXX_FLAGS "${prefix_maps}" CACHE STRING "")
