"""Writes the first face of a font collection (.ttc) as three fonts (.ttf), which browsers take
as web fonts and a collection not: WINDOW, with the characters the window itself shows, comes
before the window is drawn; EVERYDAY, with the other characters in everyday use, right after it;
REST, with every other character of the face, after those.

WINDOW has ASCII, which the list's lines are written in besides their descriptions, and every
other character of the SOURCES, the program's own files that hold the window's captions and
warnings. EVERYDAY has Latin-1, Latin Extended-A and the letters of pinyin, the general and CJK
punctuation, the full-width forms, all of GB 2312 and the 8,105 characters of the Table of
General Standard Chinese Characters (通用规范汉字表, 2013), which Unihan lists in its kTGH field.
EVERYDAY and REST are families of their own, FAMILY Everyday and FAMILY Rest, which draw what the
fonts before them lack.

All three are dated by the face's own header, not by when they were written, and are the same
bytes on every build with the same fontTools.

Usage: font-subsets.py COLLECTION UNIHAN_OTHER_MAPPINGS.bz2 WINDOW EVERYDAY REST FAMILY SOURCE...
"""
import bz2
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

ASCII = range(0x20, 0x7F)
EVERYDAY = [ASCII, range(0xA0, 0x180), range(0x1CD, 0x1DD), range(0x2000, 0x2070),
            range(0x3000, 0x3040), range(0xFF00, 0xFFF0)]


def gb2312():
    """Every character of GB 2312: its two bytes each run from 0xA1 to 0xFE."""
    found = set()
    for first in range(0xA1, 0xFF):
        for second in range(0xA1, 0xFF):
            try:
                found.add(ord(bytes([first, second]).decode("gb2312")))
            except UnicodeDecodeError:
                pass
    return found


def general_standard(unihan):
    with bz2.open(unihan, "rt", encoding="utf-8") as mappings:
        return {int(line.split("\t")[0][2:], 16) for line in mappings
                if line.split("\t")[1:2] == ["kTGH"]}


def shown(sources):
    """ASCII, and the characters beyond it that the window's texts in SOURCES have."""
    found = set(ASCII)
    for source in sources:
        with open(source, encoding="utf-8") as text:
            found.update(ord(character) for character in text.read() if ord(character) > 0x7F)
    return found


def write(collection, characters, path, family=None):
    font = TTFont(collection, fontNumber=0, recalcTimestamp=False)
    options = subset.Options()
    options.layout_features = ["*"]
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    # FontForge's time stamps, which fontTools cannot subset.
    options.drop_tables += ["FFTM"]
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=characters)
    subsetter.subset(font)
    if family:
        for record in font["name"].names:
            if record.nameID in (1, 4, 16):
                record.string = family
            elif record.nameID == 6:
                record.string = family.replace(" ", "")
    font.save(path)


def main(collection, unihan, window, everyday, rest, family, *sources):
    face = set(TTFont(collection, fontNumber=0).getBestCmap())
    own = face & shown(sources)
    common = face & (set().union(*EVERYDAY) | gb2312() | general_standard(unihan))
    write(collection, own, window)
    write(collection, common - own, everyday, family + " Everyday")
    write(collection, face - common - own, rest, family + " Rest")


if __name__ == "__main__":
    if len(sys.argv) < 8:
        sys.exit(__doc__)
    main(*sys.argv[1:])
