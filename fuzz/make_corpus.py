#!/usr/bin/env python3
"""make_corpus.py: writes the seed corpus of the fuzz targets into fuzz/corpus.

usage: fuzz/make_corpus.py BUILD_DIR

Seeds: small entries of the show's own baked library (BUILD_DIR/run/ant,
taken out with kvistra-ant) and hand-made edge files: pictures of both
kinds with runs across planes and scanlines, a model with every kind of
chunk the reader knows and a keyframer section, libraries with empty names,
empty entries and a cut size field, a short MP3 and a minimal tracker
module. Files the fuzzers find interesting later are added beside them.
"""
import os
import struct
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
build = sys.argv[1] if len(sys.argv) > 1 else "build"


def put(target, name, data):
    folder = os.path.join(here, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def baked(name):
    with tempfile.NamedTemporaryFile() as out:
        subprocess.run([os.path.join(build, "run", "kvistra-ant"), "extract",
                        os.path.join(build, "run", "ant"), name, out.name], check=True)
        return open(out.name, "rb").read()


# Pictures: a 128-byte header, run-length data, a palette for one plane.
def pcx_header(width, height, planes, version=5):
    header = struct.pack("<BBBBHHHH", 10, version, 1, 8, 0, 0, width - 1, height - 1)
    header += bytes(53) + struct.pack("<BH", planes, width) + bytes(60)
    return header


def pcx_one_plane():
    # 16 pixels of a 4 x 4 picture: runs, a literal, a run of none, a run of one.
    pixels = bytes([0xC4, 1, 2, 0xC0, 9, 0xC1, 3, 0xC6, 4, 0xC2, 5, 0xC2, 6])
    palette = bytes((i * 7) % 256 for i in range(768))
    return pcx_header(4, 4, 1) + pixels + bytes([12]) + palette


def pcx_three_planes():
    # 3 x 2 pixels: a red run that spills into green, a blue run into the next line.
    data = bytes([0xC4, 200, 50, 60, 0xC5, 70, 1, 2, 3, 0xC4, 9])
    return pcx_header(3, 2, 3) + data


# Models: chunks as (id, data, children).
def chunk(cid, data=b"", children=()):
    body = data + b"".join(children)
    return struct.pack("<HI", cid, 6 + len(body)) + body


def floats(*values):
    return struct.pack("<%df" % len(values), *values)


def name(text):
    return text.encode() + b"\0"


def key(frame, x, y, z, flags=0, extra=()):
    return struct.pack("<IH", frame, flags) + floats(*extra) + floats(x, y, z)


def track(*keys):
    return chunk(0xB020, struct.pack("<HIII", 0, 0, 0, len(keys)) + b"".join(keys))


def node(kind, subject, *children):
    return chunk(kind, b"", [chunk(0xB010, name(subject) + struct.pack("<hhh", 0, 0, -1))] + list(children))


def model_edges():
    material = chunk(0xAFFF, b"", [chunk(0xA000, name("RED FLAT")), chunk(0xA020, b"", [chunk(0x0011, bytes([255, 0, 0]))]),
                                   chunk(0xA100, struct.pack("<H", 1)), chunk(0xA083), chunk(0xA081)])
    wire = chunk(0xAFFF, b"", [chunk(0xA000, name("WHITE WIRE")), chunk(0xA085), chunk(0xA200, b"", [chunk(0xA300, name("t.pcx"))])])
    mesh = chunk(0x4100, b"", [
        chunk(0x4110, struct.pack("<H", 4) + floats(0, 0, 0, 10, 0, 0, 0, 10, 0, 0, 0, 10)),
        chunk(0x4120, struct.pack("<H", 2) + struct.pack("<8H", 0, 1, 2, 7, 0, 2, 3, 0),
              [chunk(0x4130, name("RED FLAT") + struct.pack("<3H", 2, 0, 1))]),
        chunk(0x4140, struct.pack("<H", 4) + floats(0, 0, 0.5, 0.25, 1, 1, -0.25, 1.25)),
        chunk(0x4160, floats(1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0)),
    ])
    light = chunk(0x4600, floats(1, 2, 3), [chunk(0x0010, floats(1, 0.5, 0)),
                                            chunk(0x4610, floats(0, 0, 0, 30, 45))])
    camera = chunk(0x4700, floats(0, -100, 50, 0, 0, 0, 0, 45))
    editor = chunk(0x3D3D, b"", [chunk(0x3D3E, struct.pack("<I", 3)), material, wire,
                                 chunk(0x4000, name("box"), [mesh]), chunk(0x4000, name("lamp"), [light]),
                                 chunk(0x4000, name("cam"), [camera])])
    keyframer = chunk(0xB000, b"", [
        chunk(0xB008, struct.pack("<ii", 0, 100)),
        node(0xB003, "cam", track(key(0, 0, -100, 50), key(40, 50, -80, 40, 0x1F, (0.1, 0.2, 0.3, 0.4, 0.5)),
                                  key(100, 0, -60, 30))),
        node(0xB004, "cam", track(key(0, 0, 0, 0), key(50, 5, 5, 5))),
        node(0xB002, "box", track(key(0, 1, 2, 3))),
    ])
    return chunk(0x4D4D, b"", [chunk(0x0002, struct.pack("<I", 3)), editor, keyframer])


# Libraries: name, NUL, 32-bit size, data.
def entry(entry_name, data):
    return entry_name + b"\0" + struct.pack("<I", len(data)) + data


def library_edges():
    yield "names", (entry(b"", b"empty name") + entry(b"zero.pcx", b"") + entry(b"nineteen-characters", b"x" * 5)
                    + entry(b"twenty-characters-xx", b"yy") + entry(b"vagg.pcx", pcx_three_planes()))
    yield "cut-size", entry(b"test.3ds", b"abc") + b"vagg.pcx\0\x10\x00"


# Music: a short MP3 from ffmpeg, and a four-channel module of one pattern.
def short_mp3():
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "tone.mp3")
        subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=0.15",
                        "-ac", "1", "-ar", "8000", "-b:a", "8k", "-map_metadata", "-1", path], check=True)
        return open(path, "rb").read()


def tiny_module():
    title = b"kvistra seed".ljust(20, b"\0")
    sample = b"square".ljust(22, b"\0") + struct.pack(">HBBHH", 16, 0, 64, 0, 16)  # 32 bytes, looping
    samples = sample + (b"\0" * 22 + struct.pack(">HBBHH", 0, 0, 0, 0, 1)) * 30
    header = title + samples + bytes([1, 127]) + bytes(128) + b"M.K."
    rows = b""
    for row in range(64):
        note = struct.pack(">BBBB", 0x10, 0xD6, 0x00, 0x00) if row % 4 == 0 else bytes(4)  # sample 1, period 214
        rows += note + bytes(12)
    square = bytes([100] * 16 + [156] * 16)
    return header + rows + square


put("pcx", "morvel.pcx", baked("morvel.pcx"))
put("pcx", "one-plane-4x4.pcx", pcx_one_plane())
put("pcx", "three-planes-3x2.pcx", pcx_three_planes())
put("pcx", "version-4.pcx", pcx_header(2, 2, 1, version=4))
for model in ("add.3ds", "test.3ds", "snurr.3ds"):
    put("model", model, baked(model))
put("model", "every-chunk.3ds", model_edges())
for label, data in library_edges():
    put("library", label, data)
put("library", "small-show", entry(b"add.3ds", baked("add.3ds")) + entry(b"morvel.pcx", baked("morvel.pcx")))
put("music", "tone.mp3", short_mp3())
put("music", "square.mod", tiny_module())
