#!/usr/bin/python3
"""Builds src/resources/ui/fonts/IBMPC.ttf, the fixed-pitch font of the hex grids.

It is a renamed subset (ASCII and Latin-1) of a free-licensed monospace font (DejaVu Sans Mono
Bold, Bitstream Vera licence, which asks derived fonts to carry another name). Needs python3-fonttools.
Usage: scripts/make_grid_font.py [source.ttf]
"""
import sys
from pathlib import Path

from fontTools import subset
from fontTools.ttLib import TTFont

source = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"
target = Path(__file__).resolve().parent.parent / "src/resources/ui/fonts/IBMPC.ttf"

font = TTFont(source)
options = subset.Options()
options.name_IDs = [0, 1, 2, 3, 4, 5, 6, 13, 14, 16, 17]
options.layout_features = []
options.hinting = True
subsetter = subset.Subsetter(options)
subsetter.populate(unicodes=list(range(0x20, 0x7F)) + list(range(0xA0, 0x100)))
subsetter.subset(font)

names = {1: "IBMPC", 2: "Bold", 3: "Korvane IBMPC Bold", 4: "IBMPC Bold", 6: "IBMPC-Bold",
         16: "IBMPC", 17: "Bold"}
for record in font["name"].names:
    if record.nameID in names:
        record.string = names[record.nameID]
font.save(target)
print(target)
