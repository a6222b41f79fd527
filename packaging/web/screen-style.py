"""Writes the style sheet that Qt's WebAssembly platform puts into the page for its screens, as
qwasmcssstyle.cpp in Qt's source holds it: the page's Content-Security-Policy allows that style
by its hash.

Usage: screen-style.py QWASMCSSSTYLE_CPP OUTPUT
"""
import sys

source = open(sys.argv[1], encoding="utf-8").read()
start = source.index('R"css(') + len('R"css(')
with open(sys.argv[2], "w", encoding="utf-8", newline="") as style:
    style.write(source[start:source.index(')css"', start)])
