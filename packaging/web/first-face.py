"""Writes the first face of a font collection (.ttc) as a font file of its own (.ttf): browsers
take only the latter as a web font. The file is dated by the font's own header, not by when it
was written, so that two builds give the same bytes.

Usage: first-face.py COLLECTION FONT
"""
import sys

from fontTools.ttLib import TTFont

TTFont(sys.argv[1], fontNumber=0, recalcTimestamp=False).save(sys.argv[2])
