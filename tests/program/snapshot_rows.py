"""The frames MIRELDA4_SNAPSHOT writes (24-bit bottom-up BMPs), read for the scenarios' checks.

The scenarios' shell library puts this folder on PYTHONPATH, so their Python checks import it.

A scenario that takes hundreds of frames has them compacted while the player runs (follow): each
frame, as it appears whole, is cut to the rows the checks read and kept compressed as frame-N.rows,
and its picture file is removed, so that a run holds a few megabytes of frames instead of hundreds.
"""
import os
import struct
import sys
import time
import zlib


def _bmp_rows(path, count=None):
    d = open(path, "rb").read()
    off = struct.unpack_from("<I", d, 10)[0]
    w, h = struct.unpack_from("<ii", d, 18)
    stride = (w * 3 + 3) & ~3
    return [d[off + (h - 1 - y) * stride : off + (h - 1 - y) * stride + w * 3]
            for y in range(h if count is None else count)]


def frame_rows(n, count=None, folder="snaps"):
    """The rows of snapshot frame n from the top, each as bytes of B, G, R per pixel; the first
    `count` rows only when given."""
    compact = "%s/frame-%d.rows" % (folder, n)
    if not os.path.exists(compact):
        return _bmp_rows("%s/frame-%d.bmp" % (folder, n), count)
    d = zlib.decompress(open(compact, "rb").read())
    w, kept = struct.unpack_from("<ii", d, 0)
    if count is not None and count > kept:
        raise ValueError("frame %d was kept with %d rows, %d asked" % (n, kept, count))
    row = w * 3
    return [d[8 + y * row : 8 + (y + 1) * row] for y in range(kept if count is None else count)]


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


def taken_frames(folder="snaps"):
    """The numbers of the frames in the folder, in order, whether compacted or not."""
    names = (f.rsplit(".", 1) for f in os.listdir(folder) if f.startswith("frame-"))
    return sorted(int(base[6:]) for base, ext in names if ext in ("bmp", "rows"))


def compact(folder, count):
    """Cuts each whole frame of the folder to its first `count` rows, kept compressed beside it;
    removes the picture."""
    for name in os.listdir(folder):
        if not (name.startswith("frame-") and name.endswith(".bmp")):
            continue
        path = os.path.join(folder, name)
        rows = _bmp_rows(path, count)
        data = zlib.compress(struct.pack("<ii", len(rows[0]) // 3, count) + b"".join(rows), 1)
        with open(path[:-4] + ".rows", "wb") as f:
            f.write(data)
        os.remove(path)


def follow(folder, count, end, limit=900):
    """Compacts the folder's frames as they appear until the file `end` exists, then once more.
    Ends without a word when the folder is gone (the scenario ended early); fails after `limit`
    seconds."""
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        ended = os.path.exists(end)
        try:
            compact(folder, count)
        except FileNotFoundError:
            if not os.path.isdir(folder):
                return 0
            raise
        if ended:
            return 0
        time.sleep(0.05)
    print("snapshot_rows: %s not ended in %d s" % (end, limit), file=sys.stderr)
    return 1


if __name__ == "__main__" and len(sys.argv) == 5 and sys.argv[1] == "follow":
    sys.exit(follow(sys.argv[2], int(sys.argv[3]), sys.argv[4]))
