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
# For size, as every user downloads it: -Os, which also compiles faster than -O2.
set(FEATURE_optimize_size ON CACHE BOOL "")

# Core, Gui, Widgets and Test; nothing else.
foreach(feature sql network dbus opengl vulkan printsupport concurrent xml icu jpeg)
    set(FEATURE_${feature} OFF CACHE BOOL "")
endforeach()
set(INPUT_opengl no CACHE STRING "")
# Debian's source leaves out the Wintab headers that tablet events are built on.
set(FEATURE_tabletevent OFF CACHE BOOL "")
# Direct2D itself stays: the Windows font database is built on it.
set(FEATURE_direct2d1_1 OFF CACHE BOOL "")
# Nor what the program never shows or does, as in Qt for WebAssembly: rich and marked-up text,
# other image formats, pictures and movies, undo stacks, time zones beyond the system's, other
# calendars, parsing dates, the MIME database, CBOR, XML streams, and the widgets, views and
# dialogs it has none of. What stays that the program does not name itself: the widgets the main
# window and the message box are built of, the Windows styles and what they use without asking
# whether Qt has it (style sheets, text edits, combo boxes, tree and table views, graphics views
# and their effects, input dialogs, tab widgets), gestures and regular expressions, and
# accessibility. No HarfBuzz: Qt lays out Chinese and Latin without it, as every script that
# needs no shaping. SHA-3, which Qt Core always has, small rather than fast.
foreach(feature harfbuzz sha3-fast
        texthtmlparser textmarkdownreader textmarkdownwriter textodfwriter
        gif ico imageformat_bmp imageformat_ppm imageformat_xbm image_text imageio-text-loading
        movie picture pdf undocommand undostack undogroup whatsthis
        timezone jalalicalendar hijricalendar islamiccivilcalendar datetimeparser
        mimetype cborstreamwriter xmlstream
        textbrowser syntaxhighlighter mdiarea dockwidget
        columnview listwidget treewidget tablewidget datawidgetmapper
        calendarwidget datetimeedit fontcombobox keysequenceedit completer
        toolbox splitter splashscreen lcdnumber dial undoview filesystemmodel
        colordialog fontdialog filedialog progressdialog errormessage wizard)
    set(FEATURE_${feature} OFF CACHE BOOL "")
endforeach()

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
