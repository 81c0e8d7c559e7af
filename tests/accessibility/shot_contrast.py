#!/usr/bin/python3
"""The contrast of a text in a screenshot: the most contrasting pixel of a box against the
box's corner (the label's background), as WCAG computes it. Prints one line per box and
exits 1 when one is below the least given.
Usage: shot_contrast.py <image.png> <least> <name>=<x>,<y>,<width>,<height> ..."""
import subprocess
import sys


def pixels(image, x, y, width, height):
    out = subprocess.run(["convert", image, "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                          "-depth", "8", "txt:-"], capture_output=True, text=True, check=True)
    return [tuple(int(float(v)) for v in line.split("(")[1].split(")")[0].split(",")[:3])
            for line in out.stdout.splitlines()[1:]]


def luminance(colour):
    def linear(v):
        v /= 255
        return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
    r, g, b = colour
    return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b)


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


image, least = sys.argv[1], float(sys.argv[2])
low = False
for box in sys.argv[3:]:
    name, numbers = box.split("=")
    found = pixels(image, *(int(n) for n in numbers.split(",")))
    best = max(contrast(p, found[0]) for p in found)
    print(f"{name}: {best:.1f}:1 on {found[0]}")
    low = low or best < least
sys.exit(1 if low else 0)
