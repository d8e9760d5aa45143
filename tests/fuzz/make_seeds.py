#!/usr/bin/env python3
"""Writes each fuzz target's seed inputs into its own folder of the corpus,
made from the golden files and fixtures under tests/ and the layouts the tests use.
Run again after a format changes; libFuzzer's merged finds sit beside them."""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
TESTS = HERE.parent
ROOT = TESTS.parent


def put(target, name, data):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / f"seed_{name}").write_bytes(data)


def hexb(text):
    return bytes.fromhex(text.replace(" ", ""))


# Frames of the three modes, as the protocol tests spell them.
frames = {
    "rlcd": "00 00 80 3F 00 00 20 41 A4 9A 21 01 00 00 00 41 31 0A",
    "rd": "00 80 22 44 00 00 7A 44 00 00 00 00 00 00 01 42 31 0A",
    "u": "00 00 80 3F 00 00 80 3F 00 00 80 BF 00 00 00 03 31 0A",
}
for name, hexframe in frames.items():
    put("meter_frame", name, hexb(hexframe))
    put("meter_frame", name + "_comma", hexb(hexframe) + b"\x01")
    put("dongle_read", "frame_" + name, b"\x00" + hexb(hexframe))
    put("dongle_read", "held_" + name, b"\x01" + hexb(hexframe))

for i, reply in enumerate([b"OK+CONNL", b"OK+CONNE", b"OK+CONNF", b"OK+CONNEOK+CONNF", b"OK+CONNN",
                           b"OK+CONN\r\n", b"OK+CONNLOK+CONN\r\n" + hexb(frames["rlcd"]), b"OK+LOST", b"OK"]):
    put("dongle_read", f"reply_{i}", b"\x00" + reply)

# Settings files: nothing, a path alone, and all three fields.
path = "/home/user/резисторы.hex1".encode("cp1251")
put("settings_file", "empty", b"")
put("settings_file", "path_only", struct.pack("<i", len(path)) + path)
full = bytearray(205)
full[0:4] = struct.pack("<i", len(path))
full[4:4 + len(path)] = path
full[200:204] = struct.pack("<i", 1)
full[204] = 1
put("settings_file", "full", bytes(full))

for golden in sorted((TESTS / "profiles" / "golden").glob("*.hex1")):
    put("profile_file", golden.stem, golden.read_bytes())

languages = sorted((TESTS / "i18n" / "fixtures").glob("*.lng")) + [ROOT / "lang" / "eng.lng"]
for lng in languages:
    put("language_file", lng.stem, lng.read_bytes())
# A language over a superior one, two files in one input.
superior = (TESTS / "i18n" / "fixtures" / "english_utf8.lng").read_bytes()
over = ("[LANGUAGE_FILE]\n0\t%LANGUAGE_NAME=\"Australian\"\t%CODE=au;\t%SUPERIOR_LANGUAGE=English;"
        "\t%FILEVER=RZNF1;\n0\t\"Link\"\t%COMPONENT=B2;\t%OWNER=Form1;\n0\t%LEXICON_STRINGS\n"
        "0\t%LEXICON_NAME=Form1.D1;\n0\t\"Profile!\"\n0\t%SMART_STRINGS\n").encode()
put("language_file", "superior_chain", over + b"--next file--" + superior)
# A flag picture after the texts.
flag = superior.rstrip(b"\r\n") + b"\n0\t%FLAG_ICON\n0\t424D0102030405060708090A0B0C0D0E0F\n1\t1011\n"
put("language_file", "flag", flag)

for i, (sep, caret, text) in enumerate([(0, 3, "12.5"), (1, 2, "4,7k"), (0, 9, "5%"), (0, 1, "<"),
                                        (1, 5, " -1,5e3 "), (0, 0, "abc1.2.3")]):
    put("text_filters", f"text_{i}", bytes([sep, caret + 8]) + text.encode())

for i, args in enumerate([
        ["--primary", "C", "--nominal", "100n", "--tol", "5%"],
        ["--nominal", "2.2\u00b5F", "--tol", "5%", "--fail-on-reject"],
        ["--secondary", "D", "--secondary-nominal", "50m", "--secondary-tol", "<"],
        ["--profile", "p.hex1", "--line", "2", "--output", "out.csv", "--append"],
        ["--port", "/dev/ttyACM0", "--reconnect", "--mode", "RLC", "--freq", "10k", "--level", "0.5",
         "--interval", "2", "--count", "10", "--duration", "1.5", "--format", "jsonl", "--verbose"],
        ["--help"]]):
    put("logger_options", f"args_{i}", "\n".join(args).encode())

put("sysfs_record", "dongle", b"TI CC2540 USB CDC\n\xff0451\n\xff16aa\n")
put("sysfs_record", "dongle_by_ids", b"Other Thing\n\xff0451\n\xff16aa\n")
put("sysfs_record", "other_wanted", b"USB_Serial  Port\n\xff1234\n\xff5678\n\xffusb serial")
put("sysfs_record", "no_product", b"")

# Journals of the log: single part with rows, multi part with named lines, a
# closed one and one cut short. The first byte picks the target's mode: 1 lets
# it set the records' check sums itself.
def jstr(text):
    data = text.encode()
    return struct.pack("<I", len(data)) + data


def jtime(ms, offset=3600):
    return struct.pack("<Qi", ms, offset)


def jrecord(body):
    import zlib
    framed = struct.pack("<I", len(body)) + body
    return framed + struct.pack("<I", zlib.crc32(framed))


def jreading(ms, value):
    settings = bytes([1, 4, 1, 2, 1, 1, 0, 1, 1, 0, 2, 0, 0, 1])
    doubles = struct.pack("<10d", 1.5, -2.0e3, 1e6, 7.9e-2, 2e3, 3.2e-4, value, 1.2e-3, 833.0, -89.9)
    return (jtime(ms) + settings + struct.pack("<i", 1000) + doubles + bytes([7]) + struct.pack("<i", 1)
            + struct.pack("<2d", 0.5, -1.25))


def jheader(part_mode):
    return jrecord(bytes([1]) + struct.pack("<H", 1) + jstr("1.0.0") + jtime(1765375500000) + jstr("English")
                   + bytes([part_mode]))


headers = ["№", "Time", "R", "Rs", "X", "C", "L", "D", "Q", "Δ"]
cleared_single = jrecord(bytes([2, 0]) + struct.pack("<i", 16) + b"".join(jstr(h) for h in headers)
                         + jstr("+") + jstr("-") + struct.pack("<I", 0))
named = [(1, ["1", "R1 10k"] + [""] * 8), (2, ["2", "C4 100n"] + [""] * 8)]
cleared_multi = jrecord(bytes([2, 1]) + struct.pack("<i", 3) + b"".join(jstr(h) for h in headers) + jstr("+")
                        + jstr("-") + struct.pack("<I", len(named))
                        + b"".join(struct.pack("<i", row) + b"".join(jstr(t) for t in texts) for row, texts in named))


def jrow(kind, row, value):
    texts = [str(row), "14:05:0%d" % (row % 10), "", "", "", "%.3g" % value, "", "0.001", "", "+0.5"]
    return jrecord(bytes([kind]) + struct.pack("<ii", row, 1) + b"".join(jstr(t) for t in texts)
                   + jreading(1765375500000 + row * 500, value))


single = (b"VLJOURNL" + jheader(0) + cleared_single + b"".join(jrow(3, r, r * 1e-9) for r in range(1, 6))
          + jrecord(bytes([5]) + struct.pack("<i", 10)))
multi = b"VLJOURNL" + jheader(1) + cleared_multi + jrow(4, 2, 1e-7) + jrow(4, 1, 9.9e3)
for mode in (0, 1):
    put("log_journal", f"single_{mode}", bytes([mode]) + single)
    put("log_journal", f"multi_{mode}", bytes([mode]) + multi)
put("log_journal", "closed", b"\x01" + single + jrecord(bytes([6]) + jtime(1765375600000)))
put("log_journal", "cut_short", b"\x00" + single[:-7])
