#!/usr/bin/env python3
"""The edges between the columns of the list whose first row is selected, on a screenshot:
prints "y x1 x2 ..." (screen pixels: the header's middle row, then each column's right edge),
or nothing when no selected row is found.  header_edges.py SCREENSHOT.ppm (8 bits a colour)"""
import sys


def main():
    data = open(sys.argv[1], "rb").read()
    # A binary PPM (P6): magic, width, height, maximum, then RGB triples.
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at) + 1
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    at += 1
    width, height = int(fields[1]), int(fields[2])
    pixels = data[at:]

    def rgb(x, y):
        i = (y * width + x) * 3
        return pixels[i], pixels[i + 1], pixels[i + 2]

    def white(x, y):
        return min(rgb(x, y)) >= 250

    def selected(x, y):
        r, g, b = rgb(x, y)
        return b > 150 and b > r + 60 and g > 80

    # The selected first row: the topmost long run of the selection's blue with the list's
    # white below it, under the frame's own caption and menu (title bars have their window
    # below).
    for y in range(40, height - 24):
        run_start, best = None, None
        for x in range(width + 1):
            if x < width and selected(x, y):
                if run_start is None:
                    run_start = x
            elif run_start is not None:
                if x - run_start >= 200 and (best is None or x - run_start > best[1] - best[0]):
                    best = (run_start, x)
                run_start = None
        if best and sum(white(x, y + 22) for x in range(best[0], best[1], 7)) * 2 > (best[1] - best[0]) / 7:
            break
    else:
        return
    left, right = best
    # A column's edge is a line darker than the header on both sides over the header's
    # height: looked for near its top and its bottom, above and below the headings' letters.
    def edges_at(row):
        light = [sum(rgb(x, row)) for x in range(left, right)]
        found = set()
        for i in range(2, len(light) - 2):
            around = (light[i - 2] + light[i + 2]) / 2
            if light[i] < around - 40 and light[i] <= light[i - 1] and light[i] <= light[i + 1]:
                found.add(left + i)
        return found

    edges = []
    for x in sorted(edges_at(y - 15) & edges_at(y - 3)):
        if not edges or x - edges[-1] > 4:
            edges.append(x)
    header_y = y - 9
    print(header_y, *edges)


main()
