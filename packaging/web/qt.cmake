# Initial cache for building Qt for WebAssembly from Debian's qt6-base source with Debian's
# Emscripten: only what the program needs, static and single-threaded, with
# Debian's own Qt of the same version as the host tools (moc, rcc, uic). Built for size: every
# visitor downloads it.
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

# -Oz. (Link time optimisation, with Debian's Emscripten 3.1.69, made a program that stops at
# its start, calling a null function.)
set(FEATURE_optimize_size ON CACHE BOOL "")

# Core, Gui and Widgets; nothing else, not even Qt Test: the suites do not run in a page. OpenGL
# stays: Qt 6.8's wasm backing store is built on it.
foreach(feature sql network dbus printsupport concurrent xml jpeg testlib)
    set(FEATURE_${feature} OFF CACHE BOOL "")
endforeach()
# Nor what the program never shows or does: rich and marked-up text, style sheets, other image
# formats, pictures and movies, undo stacks, time zones beyond the system's, other calendars,
# parsing dates, the MIME database, CBOR, XML streams, and the widgets, views and dialogs it has
# none of. What stays that the program does not name itself: the widgets the main window and the
# message box are built of, Fusion, the style Qt for WebAssembly asks for, gestures, which give
# the list two-finger scrolling on a touch screen, regular expressions, which the platform reads
# some keys with, and accessibility. No HarfBuzz: the page's font draws Chinese and Latin, which
# Qt lays out without it, as it lays out every script that needs no shaping; it is a tenth of
# the program. SHA-3, which Qt Core always has, small rather than fast.
foreach(feature harfbuzz sha3-fast
        texthtmlparser textmarkdownreader textmarkdownwriter textodfwriter cssparser
        style-stylesheet style-windows
        gif ico imageformat_bmp imageformat_ppm imageformat_xbm image_text imageio-text-loading
        movie picture pdf undocommand undostack undogroup whatsthis
        timezone jalalicalendar hijricalendar islamiccivilcalendar datetimeparser
        mimetype cborstreamwriter xmlstream
        textedit textbrowser syntaxhighlighter graphicsview graphicseffect mdiarea dockwidget
        tableview treeview columnview listwidget treewidget tablewidget datawidgetmapper
        calendarwidget datetimeedit combobox fontcombobox keysequenceedit completer
        tabwidget toolbox splitter splashscreen lcdnumber dial undoview filesystemmodel
        colordialog fontdialog filedialog inputdialog progressdialog errormessage wizard)
    set(FEATURE_${feature} OFF CACHE BOOL "")
endforeach()

# Of the styles' standard images only the message boxes' icons (qt-style-images.patch).
set(QT_WIDGETS_MESSAGE_BOX_IMAGES_ONLY ON CACHE BOOL "")

foreach(library freetype zlib pcre2 png doubleconversion)
    set(FEATURE_system_${library} OFF CACHE BOOL "")
endforeach()

# No path of the machine that built it in the program: neither the prefix Qt was installed in,
# which a relocatable Qt does not keep, nor the build's folders in the file names compiled in.
set(FEATURE_relocatable ON CACHE BOOL "")
set(prefix_maps "-ffile-prefix-map=${CMAKE_SOURCE_DIR}=/usr/src/qt6-base")
string(APPEND prefix_maps " -ffile-prefix-map=${CMAKE_BINARY_DIR}=/usr/src/qt6-base-build")
set(CMAKE_C_FLAGS "${prefix_maps}" CACHE STRING "")
set(CMAKE_CXX_FLAGS "${prefix_maps}" CACHE STRING "")
