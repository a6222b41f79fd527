# Initial cache for building Qt for WebAssembly from Debian's qt6-base source with Debian's
# Emscripten: only what the program and its test suites need, static and single-threaded, with
# Debian's own Qt of the same version as the host tools (moc, rcc, uic).
set(QT_QMAKE_TARGET_MKSPEC wasm-emscripten CACHE STRING "")
# The warning boxes wait in a nested event loop, which the browser's one allows only through
# Emscripten's asyncify.
set(QT_QMAKE_DEVICE_OPTIONS "QT_EMSCRIPTEN_ASYNCIFY=1" CACHE STRING "")
set(CMAKE_BUILD_TYPE Release CACHE STRING "")
set(BUILD_SHARED_LIBS OFF CACHE BOOL "")
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

set(QT_BUILD_EXAMPLES OFF CACHE BOOL "")
set(QT_BUILD_TESTS OFF CACHE BOOL "")
set(QT_BUILD_BENCHMARKS OFF CACHE BOOL "")
set(QT_GENERATE_SBOM OFF CACHE BOOL "")
set(QT_UNITY_BUILD ON CACHE BOOL "")

# Core, Gui, Widgets and Test; nothing else. OpenGL stays: Qt 6.8's wasm backing store is built
# on it.
foreach(feature sql network dbus printsupport concurrent xml jpeg)
    set(FEATURE_${feature} OFF CACHE BOOL "")
endforeach()

foreach(library freetype harfbuzz zlib pcre2 png doubleconversion)
    set(FEATURE_system_${library} OFF CACHE BOOL "")
endforeach()
