#!/usr/bin/env python3
"""Helpers for record.sh: the test profile, free ports, aligning a logged
stream on the simulator's part cycle, and a line-by-line SCPI client.

Only the standard library, so the harness runs on a bare Debian 12.
"""

import json
import re
import socket
import struct
import sys
import time

TIME_TOKEN = "<TIME>"
# The only field that changes from run to run by itself: the wall-clock time
# of a reading ("2026-12-11T11:22:07.696+00:00").
ISO_TIME = re.compile(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(?:\.\d+)?(?:Z|[+-]\d\d:\d\d)?")


# --- tolerance profile ------------------------------------------------------

def _text(s, capacity):
    b = s.encode("cp1251")[:capacity]
    return bytes([len(b)]) + b + bytes(capacity - len(b))


def _line(name, ptol, pkind, punit, pnom, stol, skind, sunit, snom, settings):
    b = _text(name, 10) + b"\0" + struct.pack("<i", 1)
    b += _text(ptol, 5) + bytes([pkind, punit]) + _text(pnom, 10)
    b += _text(stol, 5) + bytes([skind, sunit]) + _text(snom, 10)
    b += bytes(settings) + b"\0" + bytes(3)
    assert len(b) == 72
    return b


def write_profile(path):
    """Two lines. Line 1 is a decoy (the 1 % of 100 kOhm line of the golden
    one_line.hex1, default settings), so --line 2 is really read from its
    offset. Line 2: C 2 % of 100 nF, D "<" 0,01 (decimal comma as the window
    writes it), 1 kHz / D / 0.5 V / series by hand, main parameter automatic,
    interval 0.5 s, sound off."""
    defaults = [1, 4, 1, 2, 1, 1, 0, 1, 1, 0, 2, 0, 0, 1]
    #            freq      main  second level circuit  intv cap neg sound
    line2 = [0, 3, 1, 2, 0, 3, 0, 2, 0, 1, 3, 0, 0, 0]
    data = struct.pack("<i", 2) + bytes(96)
    data += _line("R1", "1%", 0, 1, "100", "OFF", 2, 0, "0,05", defaults)
    data += _line("C100n", "2%", 2, 1, "100", "<", 2, 0, "0,01", line2)
    with open(path, "wb") as f:
        f.write(data)


# --- ports ------------------------------------------------------------------

def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# --- stream alignment -------------------------------------------------------
#
# The simulator cycles its parts from its own first reading, and how many of
# those the logger holds off after the link depends on timing. Without noise
# and without --numbered every reading of a part is the same, so the logged
# stream is the part cycle entered at an unknown phase. The window starts at
# the first change of part onto the part with the smallest text (a fixed
# point of the cycle, whatever the phase) and keeps a fixed number of
# readings. The running counters (position, seq) are written less the
# readings dropped before the window: a correct program gives 1, 2, ... there,
# and any other numbering still shows.

def _mask_time(text):
    return ISO_TIME.sub(TIME_TOKEN, text)


def _counter_fields(obj):
    return [k for k in ("position", "seq") if k in obj]


def _align(signatures, window):
    least = min(signatures)
    for i in range(1, len(signatures)):
        if signatures[i] == least and signatures[i - 1] != least:
            if i + window > len(signatures):
                break
            return i
    sys.exit("streamtool: no whole window of %d readings after a cycle start (%d logged)"
             % (window, len(signatures)))


def window_csv(src, dst, window):
    with open(src, encoding="utf-8", newline="") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    header, rows = lines[0], lines[1:]
    names = header.split(",")
    pos = names.index("position")
    cells = [r.split(",") for r in rows]
    sigs = [",".join(c[:pos] + c[pos + 1:]) for c in (_mask_time(r).split(",") for r in rows)]
    start = _align(sigs, window)
    out = [header]
    for c in cells[start:start + window]:
        c = _mask_time(",".join(c)).split(",")
        c[pos] = str(int(c[pos]) - start)
        out.append(",".join(c))
    with open(dst, "w", encoding="utf-8", newline="") as f:
        f.write("\n".join(out) + "\n")
    return start


def _json_counter_rewrite(text, start):
    # Rewrites the counters in the line's own bytes, so key order, number
    # forms and spacing stay exactly as the program wrote them.
    def sub(m):
        return '"%s":%d' % (m.group(1), int(m.group(2)) - start)
    return re.sub(r'"(position|seq)":(-?\d+)', sub, text)


def _json_signature(text):
    return re.sub(r'"(position|seq)":-?\d+', r'"\1":#', _mask_time(text))


def window_jsonl(src, dst, window):
    with open(src, encoding="utf-8") as f:
        rows = [l for l in f.read().split("\n") if l != ""]
    for r in rows:
        json.loads(r)  # each line must be a JSON object on its own
    start = _align([_json_signature(r) for r in rows], window)
    with open(dst, "w", encoding="utf-8") as f:
        for r in rows[start:start + window]:
            f.write(_json_counter_rewrite(_mask_time(r), start) + "\n")
    return start


def window_mqtt(src, dst, window, reading_topic):
    """mosquitto_sub -v output: "topic payload" per line. Messages of other
    topics are kept in their order around the readings' window."""
    with open(src, encoding="utf-8") as f:
        msgs = [l for l in f.read().split("\n") if l != ""]
    readings = [i for i, m in enumerate(msgs) if m.split(" ", 1)[0] == reading_topic]
    if not readings:
        sys.exit("streamtool: no message on %s" % reading_topic)
    payloads = [msgs[i].split(" ", 1)[1] for i in readings]
    start = _align([_json_signature(p) for p in payloads], window)
    before = [m for m in msgs[:readings[0]]]
    inside = [m for m in msgs[readings[0]:readings[-1] + 1] if m.split(" ", 1)[0] != reading_topic]
    after = msgs[readings[-1] + 1:]
    out = before
    out += [reading_topic + " " + _json_counter_rewrite(_mask_time(p), start)
            for p in payloads[start:start + window]]
    if inside:
        out.append("# other messages among the readings:")
        out += inside
    out += after
    with open(dst, "w", encoding="utf-8") as f:
        f.write("\n".join(_mask_time(m) for m in out) + "\n")
    return start


# --- SCPI -------------------------------------------------------------------

def scpi(port, script, dst, timeout=12.0):
    """Sends the script's lines one at a time; a line holding a query waits
    for its one answer line. A line starting with "!" is sent without waiting
    (a query that must not be answered, such as an unknown header); "#" starts
    a comment. The transcript is written as it goes, so a failure shows where."""
    with open(dst, "w", encoding="utf-8") as out, \
            socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        f = s.makefile("rwb", buffering=0)
        for line in open(script, encoding="utf-8").read().split("\n"):
            if not line.strip() or line.startswith("#"):
                continue
            silent = line.startswith("!")
            message = line[1:].strip() if silent else line
            f.write(message.encode() + b"\n")
            out.write(("!> " if silent else "> ") + message + "\n")
            if silent or "?" not in message:
                continue
            try:
                answer = f.readline()
            except TimeoutError:
                out.write("! no answer within %g s\n" % timeout)
                return
            if not answer:
                out.write("! connection closed\n")
                return
            out.write("< " + answer.decode("utf-8", "replace").rstrip("\n") + "\n")
            out.flush()
        # An answer nobody asked for would show here.
        s.settimeout(0.5)
        try:
            rest = s.recv(65536)
        except TimeoutError:
            rest = b""
        if rest:
            out.write("! unasked: " + rest.decode("utf-8", "replace"))


def wait_reading(port, deadline_s):
    """Waits until the server has a valid latest reading (FETC? status 0)."""
    end = time.monotonic() + deadline_s
    while time.monotonic() < end:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=2) as s:
                f = s.makefile("rwb", buffering=0)
                while time.monotonic() < end:
                    f.write(b"FETC?\n")
                    answer = f.readline().decode().strip()
                    if answer.split(",")[-1:] == ["0"]:
                        return
                    time.sleep(0.1)
        except OSError:
            time.sleep(0.1)
    sys.exit("streamtool: no reading on the SCPI port %d" % port)


def main(argv):
    cmd = argv[1]
    if cmd == "profile":
        write_profile(argv[2])
    elif cmd == "free-port":
        print(free_port())
    elif cmd == "window":
        kind, src, dst, window = argv[2], argv[3], argv[4], int(argv[5])
        if kind == "csv":
            start = window_csv(src, dst, window)
        elif kind == "jsonl":
            start = window_jsonl(src, dst, window)
        else:
            start = window_mqtt(src, dst, window, argv[6])
        print(start)
    elif cmd == "scpi":
        scpi(int(argv[2]), argv[3], argv[4])
    elif cmd == "wait-reading":
        wait_reading(int(argv[2]), float(argv[3]))
    else:
        sys.exit("streamtool: unknown command " + cmd)


if __name__ == "__main__":
    main(sys.argv)
