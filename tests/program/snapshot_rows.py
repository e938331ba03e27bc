"""The frames MIRELDA4_SNAPSHOT writes (24-bit bottom-up BMPs), read for the scenarios' checks.

The scenarios' shell library puts this folder on PYTHONPATH, so their Python checks import it.
"""
import struct


def frame_rows(n, count=None, folder="snaps"):
    """The rows of snapshot frame n from the top, each as bytes of B, G, R per pixel; the first
    `count` rows only when given."""
    d = open("%s/frame-%d.bmp" % (folder, n), "rb").read()
    off = struct.unpack_from("<I", d, 10)[0]
    w, h = struct.unpack_from("<ii", d, 18)
    stride = (w * 3 + 3) & ~3
    return [d[off + (h - 1 - y) * stride : off + (h - 1 - y) * stride + w * 3]
            for y in range(h if count is None else count)]


def changes(a, b, cx, cy, near):
    """For two frames' rows: (changed at all, changed beyond `near` pixels of (cx, cy))."""
    changed = False
    for y in range(min(len(a), len(b))):
        if a[y] == b[y]:
            continue
        changed = True
        if abs(y - cy) > near:
            return True, True
        x0, x1 = max(0, cx - near) * 3, min(640, cx + near + 1) * 3
        if a[y][:x0] != b[y][:x0] or a[y][x1:] != b[y][x1:]:
            return True, True
    return changed, False
