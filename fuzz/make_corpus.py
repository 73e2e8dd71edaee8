#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets into fuzz/corpus/<target>/: a few valid
inputs of each format and a few near-valid ones (cut short, out of range, damaged)."""
import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")


def u16(v):
    return struct.pack("<H", v)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def i32(v):
    return struct.pack("<i", v)


def wav(samples, channels=1, rate=8000, bits=8, avg=None, tag=1):
    block = channels * bits // 8
    avg = rate * block if avg is None else avg
    return (b"RIFF" + u32(36 + len(samples)) + b"WAVEfmt " + u32(16) + u16(tag) + u16(channels) +
            u32(rate) + u32(avg) + u16(block) + u16(bits) + b"data" + u32(len(samples)) + samples)


def score_file(music=0, sound=1, records=None):
    records = records or [(0, "MERVAN", 10000 - 100 * i) for i in range(100)]
    out = bytes([music, sound])
    for pending, name, score in records:
        units = name.encode("utf-16-le")[:18].ljust(18, b"\0")
        out += bytes([pending, 0]) + units + u32(score) + bytes(8)
    return out


def brickmap(cell):
    return b"".join(i32(cell(level, row, column)) for level in range(3) for row in range(16)
                    for column in range(11))


def bmp24(width, height, top_down=False, planes=1):
    row = (width * 3 + 3) // 4 * 4
    pixels = b"".join(bytes(((x * 40) & 255, (y * 60) & 255, 200)) for y in range(height)
                      for x in range(width))
    rows = b"".join(pixels[y * width * 3:(y + 1) * width * 3].ljust(row, b"\0")
                    for y in range(height))
    info = (u32(40) + i32(width) + i32(-height if top_down else height) + u16(planes) + u16(24) +
            u32(0) + u32(len(rows)) + u32(2835) + u32(2835) + u32(0) + u32(0))
    return b"BM" + u32(54 + len(rows)) + u32(0) + u32(54) + info + rows


def bmp8(width, height, colours=4):
    row = (width + 3) // 4 * 4
    palette = b"".join(bytes(((i * 60) & 255, (255 - i * 60) & 255, (i * 30) & 255, 0)) for i in range(colours))
    rows = b"".join(bytes((x + y) % colours for x in range(width)).ljust(row, b"\0")
                    for y in range(height))
    offset = 54 + len(palette)
    info = (u32(40) + i32(width) + i32(height) + u16(1) + u16(8) + u32(0) + u32(len(rows)) +
            u32(2835) + u32(2835) + u32(colours) + u32(0))
    return b"BM" + u32(offset + len(rows)) + u32(0) + u32(offset) + info + palette + rows


def varint(v):
    out = b""
    while v >= 0x80:
        out += bytes([(v & 0x7F) | 0x80])
        v >>= 7
    return out + bytes([v])


def session(flags, steps, start=(1, 3, 0), cut=None, state=0x1234):
    out = u32(state) + b"".join(varint(v) for v in start) + bytes([flags]) + steps
    return out + (b"\xc0" + b"".join(varint(v) for v in cut) if cut else b"\xe0")


def record(sessions, rules=1):
    return b"V2GR\x01" + varint(rules) + bytes(32) + varint(len(sessions)) + b"".join(sessions)


def seeds():
    tone = bytes(128 + (40 if (i // 4) % 2 else -40) for i in range(80))
    yield "fuzz_wav", {
        "mono8": wav(tone),
        "stereo16": wav(bytes(64), channels=2, rate=22050, bits=16),
        "header_only": wav(b""),
        "short_header": wav(tone)[:43],
        "no_rate": wav(tone, avg=0),
    }
    yield "fuzz_wav_mixer", {
        "mono8": wav(tone),
        "stereo16_22k": wav(bytes(range(64)) * 2, channels=2, rate=22050, bits=16),
        "mono16_48k_odd": wav(bytes(97), rate=48000, bits=16),
        "stereo8_11k": wav(tone, channels=2, rate=11025),
        "float": wav(bytes(64), bits=32, tag=3),
        # Less than one output frame once converted (once a fault in the mixer).
        "short_block_high_rate": wav(bytes(8), channels=2, rate=3090193, avg=22050),
    }
    defaults = score_file()
    mixed = [(1 if i < 3 else 0, ["AB", "\u00e9t\u00e9", "ZZZZZZZZ", "x"][i % 4], 50000 - 7 * i)
             for i in range(100)]
    unterminated = bytearray(defaults)
    for i in range(100):
        unterminated[2 + 32 * i + 2:2 + 32 * i + 20] = "ABCDEFGHI".encode("utf-16-le")
    yield "fuzz_score_file", {
        "defaults": defaults,
        "mixed": score_file(1, 0, mixed),
        "unterminated": bytes(unterminated),
        "switches_only": b"\x01\x01",
        "cut_in_record": defaults[:100],
        "longer": defaults + b"\xff" * 98,
    }
    yield "fuzz_autosave", {
        "level2": i32(2) + i32(3) + i32(1500),
        "level3_many_lives": i32(3) + i32(0x7FFFFFFF) + i32(-5),
        "level0": i32(0) + i32(3) + i32(10),
        "no_lives": i32(1) + i32(0) + i32(10),
        "short": i32(2) + b"\x02\x00",
    }
    yield "fuzz_brickmap", {
        "every_kind": brickmap(lambda l, r, c: ((c % 7) * 10 + r % 10) if r < 8 else 0),
        "full_stone": brickmap(lambda l, r, c: 10 + (l + r + c) % 10),
        "fire_rows": brickmap(lambda l, r, c: 60 if r in (2, 3) else (50 if r == 6 else 0)),
        "odd_codes": brickmap(lambda l, r, c: [-19, 77, 2**31 - 1, -2**31, 5, 99][(r + c) % 6]),
        "short": brickmap(lambda l, r, c: 30 + c % 10)[:100],
    }
    records = "".join(";P%d,%d" % (i, 99999 - i) for i in range(100))
    yield "fuzz_score_reply", {
        "two": b"\x00\x02;A,1;B,2",
        "leading_junk": b"\x01\x01x;A,1;B,2",
        "hundred": b"\x07\x03" + records.encode(),
        "answered": b"\x01\x01;Zed,5;Amy,70000",
        "long_name": b"\x00\x01;ABC,3;DEF,2;GHIJKLMNO,1",
        "utf8": b"\x00\x00;\xc3\xa9t\xc3\xa9,77;\xff\xfe,5;\xf0\x9f\x98\x80,-3",
    }
    yield "fuzz_score_list", {
        "two": b"\x64;A,1;B,2",
        "hundred_of_more": b"\x64" + (records + ";Q,1").encode(),
        "limit": b"\x02;A,1;B,2;C,3",
        "long_name": b"\x64xx;A,1;\xf0\x9f\x98\x80ABCDEFG,2;C,3",
        "scores": b"\x64;P, 42x;Q,+7;R,99999999999;S,-3;T,",
        "odd_names": b"\x64;a;b,5;,6;\xff\xfe,7;\xc3\xa9t\xc3\xa9,8;B",
    }
    yield "fuzz_bmp", {
        "rgb_2x2": bmp24(2, 2),
        "rgb_5x3_top_down": bmp24(5, 3, top_down=True),
        "palette_3x2": bmp8(3, 2),
        "palette_full": bmp8(4, 4, colours=256),
        "two_planes": bmp24(2, 2, planes=2),
        "cut_rows": bmp24(4, 4)[:70],
    }
    yield "fuzz_replay_script", {
        "keys": b"# start\n0 press action\n100 down left\n150 up left\n200 press rsoft\n",
        "window": b"5 activate 0\n5 activate 1\n6 focus 0\n7 focus 1\n8 close\n",
        "shot": b"10 shot frame.png\n11 press home # done\n",
        "bad": b"5 press left\n3 press right\n",
        "big": b"4294967294 press up\n",
        "pointer": b"0 click\n5 pointer 175 219\n5 click\n9 pointer 0 0\n12 leave\n",
    }
    yield "fuzz_record", {
        # A new game cut on level 1 with a hundred ticks and draws and a key, and its
        # continuation; a new game that claims to end after one tick; a press in the menu's
        # place; every kind of step. (The target adds the check bytes.)
        "two_sessions": record([session(12, b"\x1f\x44\x61\x80", cut=(1, 3, 0)),
                                session(13, b"\xa0\x20", start=(1, 3, 0))]),
        "ends_at_once": record([session(4, b"\x20")]),
        "long_run": record([session(8, b"\x3f\xa8\x0f\x40")]),
        "every_step": record([session(28, b"\x00\x20\x00\x40\x60\x66\x80\xa0\x1f\x00",
                                      cut=(2, 1, 340))]),
        "not_joined": record([session(12, b"\x00", cut=(1, 2, 10)),
                              session(13, b"\x00", start=(3, 3, 0))]),
    }
    script = b"/Vextorium2/updateScore.php"
    yield "fuzz_score_request", {
        "list": script,
        "ab": script + b"?myname=AB&myscore=1234",
        "accents": script + b"?myname=%C3%A9t%C3%A9&myscore=99",
        "separator": script + b"?myname=bad%3Bname&myscore=1",
        "twice": script + b"?myscore=1&myname=X&myname=Y",
        "too_big": script + b"?myname=X&myscore=4294967296",
        "top": script + b"?myscore=4294967295&myname=ZZZZZZZZ",
        "plus": script + b"?myname=a+b&myscore=007",
        "bad_escape": script + b"?myname=A%ZZ&myscore=5",
        "two_equals": script + b"?myname=A=B&myscore=5",
    }


def main():
    for target, files in seeds():
        folder = os.path.join(OUT, target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for name, data in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
