#!/usr/bin/env python3
"""Reads the compound files written by write_samples with readers from
outside the system (python3-olefile, and 7z where it is installed) and
checks their streams, sizes and a few fields against the sample contents.

With --service the files are those that the service itself saved
(write_service_files): streams and sizes are checked, and the record
counts; the fields depend on the clock and the lists' key."""
import os
import shutil
import struct
import subprocess
import sys

import olefile

KEY = "vuk5820461973"
VISITED = ["a.example", "b.example/dir/page.htm"]
BLOCKED = ["blocked.example"]
TIMEZONE = "(GMT+05:30) Chennai, Kolkata, Mumbai, New Delhi"
CATEGORIES = [1, 1, 1, 1, 0, 1]


def string_size(text):
    """A stored string: 32-bit length, UTF-16 units, terminating unit."""
    return 4 + 2 * len(text) + 2


def expected_sizes():
    visited = string_size("version 2") + 4 + sum(string_size(a) + 1 + 4 + 4 for a in VISITED)
    blocked = string_size("Blocked Log version 1") + 4 + sum(string_size(a) + 4 for a in BLOCKED)
    ta = 336 + 28 + 4 + 6 + 4 + (2 * len(TIMEZONE) + 2) + 2
    return {"tbl.log": {"Summary": visited}, "tblB.log": {"Summary": blocked},
            "tbd.dat": {"TA": ta, "Cat": 12}}


def decode(text, key):
    """The list encoding, undone: the fifth character, '/', CR and LF are
    plain and restart the key; every other one moves down by the key
    byte's signed value divided by ten."""
    out, k = [], 0
    for p, ch in enumerate(text):
        c = ord(ch)
        if p == 4 or ch in "/\r\n":
            out.append(ch)
            k = 0
            continue
        b = ord(key[k])
        b = b - 256 if b > 127 else b
        d = int(b / 10)
        out.append(chr((c - d) % 256))
        k = k + 1 if k + 1 < len(key) else 0
    return "".join(out).lower()


def read_string(data, pos):
    (length,) = struct.unpack_from("<I", data, pos)
    pos += 4
    if length == 0:
        return None, pos
    text = data[pos:pos + length - 2].decode("utf-16-le")
    return text, pos + length


def use_service_contents():
    global VISITED, BLOCKED, CATEGORIES
    VISITED = ["a.example/", "b.example/dir/page.htm"]
    BLOCKED = ["www.royal-casino.example/poker/tables.htm"]
    CATEGORIES = [1, 1, 1, 0, 1, 1]


def check_counts(name, contents, failures):
    if name == "tbd.dat":
        if list(struct.unpack("<6H", contents["Cat"])) != CATEGORIES:
            failures.append("tbd.dat/Cat: switches differ")
        return
    data = contents["Summary"]
    _, pos = read_string(data, 0)
    (count,) = struct.unpack_from("<i", data, pos)
    expected = len(VISITED if name == "tbl.log" else BLOCKED)
    if count != expected:
        failures.append(f"{name}: {count} records, expected {expected}")


def check_olefile(directory, failures, check=None):
    for name, streams in expected_sizes().items():
        path = os.path.join(directory, name)
        if not olefile.isOleFile(path):
            failures.append(f"{name}: not a compound file")
            continue
        with olefile.OleFileIO(path) as ole:
            found = sorted("/".join(entry) for entry in ole.listdir())
            if found != sorted(streams):
                failures.append(f"{name}: streams {found}, expected {sorted(streams)}")
                continue
            for stream, size in streams.items():
                actual = ole.get_size(stream)
                if actual != size:
                    failures.append(f"{name}/{stream}: {actual} bytes, expected {size}")
            contents = {stream: ole.openstream(stream).read() for stream in streams}
        (check or check_fields)(name, contents, failures)


def check_fields(name, contents, failures):
    if name == "tbl.log":
        data = contents["Summary"]
        header, pos = read_string(data, 0)
        (count,) = struct.unpack_from("<i", data, pos)
        pos += 4
        sites = []
        for _ in range(count):
            address, pos = read_string(data, pos)
            allowed, hits, last = struct.unpack_from("<Bii", data, pos)
            pos += 9
            sites.append((decode(address, KEY), allowed, hits, last))
        if decode(header, KEY) != "version 2":
            failures.append(f"tbl.log: header {decode(header, KEY)!r}")
        if sites != [("a.example", 1, 3, 1000000000), ("b.example/dir/page.htm", 0, 1, 1000000100)]:
            failures.append(f"tbl.log: records {sites}")
    elif name == "tblB.log":
        data = contents["Summary"]
        header, pos = read_string(data, 0)
        (count,) = struct.unpack_from("<i", data, pos)
        address, pos = read_string(data, pos + 4)
        (last,) = struct.unpack_from("<i", data, pos)
        if (decode(header, KEY), count, decode(address, KEY), last) != \
                ("blocked log version 1", 1, "blocked.example", 1000000200):
            failures.append("tblB.log: fields differ")
    else:
        ta = contents["TA"]
        hours = struct.unpack_from("<168H", ta, 0)
        allowance = struct.unpack_from("<7I", ta, 336)
        (n,) = struct.unpack_from("<I", ta, 374)
        text = ta[378:378 + n].decode("utf-16-le")
        (timed,) = struct.unpack_from("<h", ta, 378 + n)
        if set(hours) != {1} or allowance != (86400, 86400, 7200, 86400, 86400, 86400, 86400):
            failures.append("tbd.dat/TA: hours or allowances differ")
        if text != TIMEZONE + "\0" or timed != 1:
            failures.append(f"tbd.dat/TA: time zone {text!r}, timed access {timed}")
        if list(struct.unpack("<6H", contents["Cat"])) != CATEGORIES:
            failures.append("tbd.dat/Cat: switches differ")


def check_7z(directory, failures):
    seven = shutil.which("7z")
    if not seven:
        print("7z not installed: listing not checked")
        return
    for name, streams in expected_sizes().items():
        listing = subprocess.run([seven, "l", "-slt", os.path.join(directory, name)],
                                 capture_output=True, text=True).stdout
        found, path = {}, None
        for line in listing.splitlines():
            if line.startswith("Path = "):
                path = line[7:]
            elif line.startswith("Size = ") and path is not None:
                found[path] = int(line[7:])
                path = None
        found.pop(os.path.join(directory, name), None)
        if found != streams:
            failures.append(f"7z {name}: {found}, expected {streams}")


def main():
    directory = sys.argv[1]
    service = "--service" in sys.argv[2:]
    if service:
        use_service_contents()
    failures = []
    check_olefile(directory, failures, check_counts if service else None)
    check_7z(directory, failures)
    for failure in failures:
        print("FAIL", failure)
    if not failures:
        print("tbl.log, tblB.log and tbd.dat read correctly by outside readers")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
