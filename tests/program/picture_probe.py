#!/usr/bin/env python3
"""Checks that a screen dump shows the game's picture scaled into a place.

Usage: picture_probe.py <dump.xwd> <frame.bmp> <X> <Y> <W> <H>
The dump (an xwd of a window or of the screen, 32-bit true colour) shows the 640 x 480 frame (a
24-bit bottom-up BMP as MIRELDA4_SNAPSHOT writes it) stretched over the rectangle X, Y, W, H of
the dump, and black around it. The frame's pixels are compared at the middle of the cells they
become; at least 98 in 100 must match, and every probe of the border must be black. Exit code 0
when so, 1 with the reason otherwise.
"""
import struct
import sys


def read_xwd(path):
    d = open(path, 'rb').read()
    header, = struct.unpack('>I', d[0:4])
    w, h = struct.unpack('>II', d[16:24])
    order, = struct.unpack('>I', d[28:32])
    bpp, line = struct.unpack('>II', d[44:52])
    colours, = struct.unpack('>I', d[76:80])
    if bpp != 32:
        sys.exit('picture_probe: not a 32-bit dump')
    start = header + colours * 12

    def pixel(x, y):
        at = start + y * line + x * 4
        b = d[at:at + 4]
        return (b[2], b[1], b[0]) if order == 0 else (b[1], b[2], b[3])
    return pixel, w, h


def read_bmp(path):
    d = open(path, 'rb').read()
    offset, = struct.unpack('<I', d[10:14])
    w, h = struct.unpack('<ii', d[18:26])
    stride = (w * 3 + 3) // 4 * 4

    def pixel(x, y):
        row = h - 1 - y if h > 0 else y
        at = offset + row * stride + x * 3
        return (d[at + 2], d[at + 1], d[at])
    return pixel, w, abs(h)


def main():
    if len(sys.argv) != 7:
        sys.exit(__doc__)
    shown, sw, sh = read_xwd(sys.argv[1])
    frame, fw, fh = read_bmp(sys.argv[2])
    px, py, pw, ph = (int(v) for v in sys.argv[3:7])
    if px < 0 or py < 0 or px + pw > sw or py + ph > sh:
        sys.exit('picture_probe: the place %d,%d %dx%d is not inside the %dx%d dump' % (px, py, pw, ph, sw, sh))
    probes = same = 0
    for fy in range(1, fh, 7):
        for fx in range(2, fw, 7):
            x = px + (2 * fx + 1) * pw // (2 * fw)
            y = py + (2 * fy + 1) * ph // (2 * fh)
            probes += 1
            same += shown(x, y) == frame(fx, fy)
    if same * 100 < probes * 98:
        sys.exit('picture_probe: %d of %d probes of the picture match the frame' % (same, probes))
    border = [(x, y) for y in range(0, sh, 5) for x in range(0, sw, 5)
              if not (px <= x < px + pw and py <= y < py + ph)]
    dark = sum(shown(x, y) == (0, 0, 0) for x, y in border)
    if dark != len(border):
        sys.exit('picture_probe: %d of %d probes around the picture are not black' % (len(border) - dark, len(border)))
    print('picture_probe: %d of %d probes match; %d around it black' % (same, probes, len(border)))


if __name__ == '__main__':
    main()
