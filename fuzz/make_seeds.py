#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/seeds/<target>/.

The layout follows FuzzedDataProvider: texts are read from the front, each ended by a
backslash and another character; integers and flags are read from the back, the last
byte first."""
import datetime
import os

here = os.path.dirname(os.path.abspath(__file__))


def text(s):
    return s.encode("latin-1").replace(b"\\", b"\\\\") + b"\\x"


def write(target, name, data):
    folder = os.path.join(here, "seeds", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def parse_seed(conv, seps, fmt, default, name, day_of_week, now):
    epoch = int(datetime.datetime(*now, 12, tzinfo=datetime.timezone.utc).timestamp())
    # Read from the back: the clock (5 bytes), DayOfWeek (1 byte, -1..9), the flag
    # that keeps it (1 byte, even: keep).
    tail = bytes([0]) + bytes([day_of_week + 1]) + epoch.to_bytes(5, "little")
    return text(conv) + text(seps) + text(fmt) + text(default) + name.encode("latin-1") + tail


parse_cases = [
    ("%P%P%D%D%D%D%N%N", "_-,", "DDMM", "", "AB310107.ps", 0, (2026, 6, 15)),
    ("%P%-%D-%N", "_-,", "DDMMYY", "", "XYZ-310105-12", 0, (2026, 6, 15)),
    ("%P%-%D-%N", "_-,", "DDMMYY", "", "XYZ--310105-12", 0, (2026, 6, 15)),
    ("%P-%D-%N", "_-,", "MMDD", "", "XYZ-0023-1", 5, (2027, 3, 10)),
    ("%P-%D", "_-,", "YYWW", "", "AB-2653", 0, (2026, 6, 15)),
    ("%P-%D", "-", "DDMM", "DEF", "AB-3112", 0, (2027, 1, 1)),
    ("%P-%D", "_-,", "DD", "", "AB-05", 0, (2025, 12, 20)),
    ("%P-%D", "_-,", "DDYY", "", "AB-0599", 0, (2099, 12, 20)),
    ("%P%P%D[ddmmyy]%N", "_-,", "DDMMYY", "", "AB3101051", 0, (2026, 6, 15)),
    ("%P_%E_%S_%I_%G_%C_%M_%N_%X", "_", "", "P0", "P1_E1_S1_I1_G1_C1_M1_N1_X1", 0, (2026, 6, 15)),
    ("%2P%6D%3N", "", "YYMMDD", "", "AB270131007.pdf", 0, (2026, 12, 31)),
    ("%P%-%8D-%N", "-", "YYYYMMDD", "", "AB-30001231-1", 0, (2026, 12, 31)),
]
for i, c in enumerate(parse_cases):
    write("parse_job_name", "seed%02d" % i, parse_seed(*c))


def regex_seed(pairs, name, partial):
    data = b""
    for k in range(4):
        match, fmt = pairs[k] if k < len(pairs) else ("", "")
        data += text(match) + text(fmt)
    return data + name.encode("latin-1") + bytes([1 if partial else 0])


regex_cases = [
    ([(r"([A-Z]+)_(\d+)\.ps", "$1-$2")], "ABC_12.ps", True),
    ([(r"([A-Z]+)_(\d+)\.ps", "$1-$2")], "ABC_", True),
    ([(r"XYZ.*", "never"), (r"([A-Z]+)_(\d+)\.ps", "$2_$1")], "ABC_12.ps", False),
    ([("([A-Z", "$1"), ("(a+)+b", "$1"), ("(a+)!", "ok-$1")], "a" * 40 + "!", True),
    ([(r"(\w{2})(\d{6})-(\d+)\.pdf", "$1-$2-$3")], "AB310105-12.pdf", False),
    ([(r"(?i)^(.*?)[._](\d\d)(\d\d)(\d\d)$", "${1}-$4$3$2"), (".*", "$&$&")], "News_260131", True),
    ([(r"(?<pub>[A-Z]{3})(?=\d)(\d+)", "$+{pub}-$2")], "ABC123", False),
]
for i, c in enumerate(regex_cases):
    write("regex_renaming", "seed%02d" % i, regex_seed(*c))
