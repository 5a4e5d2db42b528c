#!/usr/bin/env python3
"""Writes HAND-M.CUR, the hover pointer: a hand with a raised finger, its hotspot
at the finger tip. Run it again after changing the drawing below."""
import os
import struct

# '#' outline, '.' fill, ' ' transparent; 32 x 32, top row first.
HAND = """
      ##
     #..#
     #..#
     #..#
     #..#
     #..###
     #..#..###
     #..#..#..##
  ## #..#..#..#.#
 #..##........#..#
 #...#...........#
  #..............#
  #..............#
   #.............#
   #............#
    #...........#
    #..........#
     #.........#
     #.........#
     ###########
"""
HOTSPOT = (6, 0)  # the tip of the finger


def rows():
    lines = HAND.strip("\n").split("\n")
    lines += [""] * (32 - len(lines))
    return [line.ljust(32)[:32] for line in lines]


def cursor_bytes():
    pixels = rows()
    colour = bytearray()
    mask = bytearray()
    for line in reversed(pixels):  # bitmaps are stored bottom row first
        bits = 0
        for x, c in enumerate(line):
            if c == "#":
                colour += bytes((0, 0, 0, 255))
            elif c == ".":
                colour += bytes((255, 255, 255, 255))
            else:
                colour += bytes((0, 0, 0, 0))
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    image = header + colour + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, HOTSPOT[0], HOTSPOT[1], len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "HAND-M.CUR")
    with open(out, "wb") as f:
        f.write(cursor_bytes())
    print(out)
