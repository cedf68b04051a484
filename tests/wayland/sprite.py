#!/usr/bin/env python3
"""Finds the pet in a screenshot (PPM on standard input) of a Wayland desktop
on which it is the only thing drawn above the background and the bar.

Prints "X Y W H BAR": the bounding box of the sprite's visible pixels and
the top row of the bar along the bottom of the screen (the screen's height
when there is none); nothing when no sprite shows. With --body it prints
"X Y" of a pixel well inside the sprite instead, the nearest to its middle.
With --bar N the bar's top row is N, not looked for (a bar with icons
and text across it)."""
import re
import sys
from collections import Counter


def main():
    data = sys.stdin.buffer.read()
    head = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    if not head:
        return
    w, h = int(head.group(1)), int(head.group(2))
    px = data[head.end():]

    def at(x, y):
        return px[3 * (y * w + x):3 * (y * w + x) + 3]

    def common(y):
        return Counter(at(x, y) for x in range(0, w, 4)).most_common(1)[0]

    # The bar: rows from the bottom up whose commonest colour, covering most
    # of the row, is the bottom row's; a screen of one colour has none.
    args = sys.argv[1:]
    if "--bar" in args:
        top = int(args[args.index("--bar") + 1])
    else:
        colour, _ = common(h - 1)
        top = h
        while top > h // 2:
            c, n = common(top - 1)
            if c != colour or n < 0.8 * (w // 4):
                break
            top -= 1
        if top <= h // 2 + 1 or top >= h - 1:
            top = h
    background = Counter(at(x, y) for y in range(0, top, 8)
                         for x in range(0, w, 8)).most_common(1)[0][0]
    xs, ys = [], []
    for y in range(top):
        for x in range(w):
            if at(x, y) != background:
                xs.append(x)
                ys.append(y)
    if not xs:
        return
    x0, y0, x1, y1 = min(xs), min(ys), max(xs), max(ys)
    if "--body" not in args:
        print(x0, y0, x1 - x0 + 1, y1 - y0 + 1, top)
        return
    best = None
    for y in range(max(y0, 1), min(y1 + 1, top - 1)):
        for x in range(max(x0, 1), min(x1 + 1, w - 1)):
            near = [at(x + dx, y + dy) != background for dx in (-1, 0, 1) for dy in (-1, 0, 1)]
            if all(near):
                d = (2 * x - x0 - x1) ** 2 + (2 * y - y0 - y1) ** 2
                if best is None or d < best[0]:
                    best = (d, x, y)
    if best:
        print(best[1], best[2])


main()
