#!/usr/bin/env python3
"""The jobs of varnel-tool as a modder might script them with Python's standard library:

    tool_jobs.py export EQP TXT CSV    every unit as a CSV row
    tool_jobs.py import CSV EQP TXT    the rows written back into the files, if anything changed
    tool_jobs.py check EQP TXT         what may trouble the game; status 1 with findings
    tool_jobs.py diff OLD NEW          the changed fields of each unit; status 1 with differences

bench/tool_bench.cpp times it next to the tool. It does the same work, not the same bytes, and
writes files the plain way (in place, without flushing them to disk), which only flatters it.
"""
import csv
import sys

RECORD = 73
CLASSES = ["", "Infantry", "Tank", "Recon", "Anti-tank", "Unknown 5", "Fortification",
           "Ground Transport", "Artillery", "Air Defense", "Fighter", "Bomber", "Unknown 12",
           "Air Transport", "Unknown 14", "Destroyer", "Battleship", "Carrier", "Sea Transport",
           "BattleCruiser", "Cruiser", "Light Cruiser"]
NATIONS = {(0, 0, 128, 0): "Poland", (0, 128, 0, 0): "Germany", (0, 32, 0, 0): "USA",
           (2, 0, 0, 0): "Finland", (0, 0, 8, 0): "Russia", (1, 0, 0, 0): "France",
           (0, 0, 1, 0): "England", (0, 16, 0, 0): "Hungary", (0, 4, 0, 0): "Italy",
           (0, 0, 0, 64): "Nationalist", (0, 1, 0, 0): "Norway", (0, 0, 0, 32): "Republican",
           (0, 0, 32, 0): "Romania", (8, 0, 0, 0): "Czechoslovakia"}
SWITCHES = {(0, 0), (1, 0), (49, 0), (65, 0), (129, 1), (193, 1), (241, 1)}
CONTROL = set(range(32)) | {0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D}

# The one-byte fields between the class and the cost, then those after it: (label, offset).
VALUES = [("Soft", 3), ("Hard", 4), ("Air Att", 5), ("Naval", 6), ("Gr.Def", 7), ("Ar.Def", 8),
          ("Cl.Def", 9), ("Initiative", 11), ("Range", 12), ("Spotting", 13), ("RangeM", 14),
          ("Move", 17), ("Fuel", 18), ("Ammo", 19)]
DATE = [("Month", 26), ("Year", 27)]
NATION = [("nation1", 30), ("nation2", 31), ("nation3", 32), ("nation4", 33)]
LATER = [("sw1", 34), ("sw2", 35), ("c1", 39), ("c2", 40), ("c3", 41), ("c4", 42), ("c5", 43),
         ("c6", 44)]
UNASSIGNED = [10, 15, 16, 20, 22, 23, 24, 25, 28, 29, 36, 37, 38] + list(range(45, 73))
HEADER = (["Unit", "Name", "Class", "Class name"] + [l for l, _ in VALUES] + ["Cost"]
          + [l for l, _ in DATE + NATION] + ["Nationality"] + [l for l, _ in LATER]
          + ["unitNumber", "Unassigned"])


def read_records(path):
    with open(path, "rb") as f:
        data = f.read()
    return data, [data[2 + n * RECORD:2 + (n + 1) * RECORD] for n in range(len(data) // RECORD)]


def read_names(path):
    with open(path, "rb") as f:
        data = f.read()
    names = data.replace(b"\r\n", b"\n").replace(b"\r", b"\n").split(b"\n")
    return data, names[:-1] if names[-1] == b"" else names


def nationality(r):
    return NATIONS.get(tuple(r[30:34]), "Unknown")


def number(r):
    return int.from_bytes(r[0:2], "little", signed=True)


def text_cell(text):
    return "'" + text if text[:1] in ("=", "+", "-", "@", "\t", "\r", "'") else text


def export(eqp, txt, out):
    _, records = read_records(eqp)
    _, names = read_names(txt)
    with open(out, "w", encoding="utf-8", newline="") as f:
        writer = csv.writer(f, lineterminator="\r\n")
        writer.writerow(HEADER)
        for n, r in enumerate(records):
            name = names[n].decode("cp1252", "replace") if n < len(names) else ""
            writer.writerow([n, text_cell(name), r[2], CLASSES[r[2]] if r[2] <= 21 else ""]
                            + [r[o] for _, o in VALUES] + [12 * r[21]]
                            + [r[o] for _, o in DATE + NATION] + [nationality(r)]
                            + [r[o] for _, o in LATER] + [number(r)]
                            + [" ".join("%02X" % r[o] for o in UNASSIGNED)])


def import_(csv_path, eqp, txt):
    data, _ = read_records(eqp)
    _, names = read_names(txt)
    new, new_names = bytearray(data), list(names)
    with open(csv_path, encoding="utf-8-sig", newline="") as f:
        for row in csv.DictReader(f):
            n = int(row["Unit"])
            at = 2 + n * RECORD
            for label, offset in [("Class", 2)] + VALUES + DATE + NATION + LATER:
                new[at + offset] = int(row[label])
            new[at + 21] = int(row["Cost"]) // 12
            new[at:at + 2] = int(row["unitNumber"]).to_bytes(2, "little", signed=True)
            for offset, byte in zip(UNASSIGNED, bytes.fromhex(row["Unassigned"])):
                new[at + offset] = byte
            name = row["Name"][1:] if row["Name"].startswith("'") else row["Name"]
            new_names[n] = name.encode("cp1252")
            record = new[at:at + RECORD]
            if row["Class name"] not in ("", CLASSES[record[2]] if record[2] <= 21 else ""):
                sys.exit("row for unit %d: the class name is not that of the class" % n)
            if row["Nationality"] not in ("", nationality(record)):
                sys.exit("row for unit %d: the nationality is not that of the bytes" % n)
    if new == data and new_names == names:
        print("Nothing to change.")
        return
    if new != data:
        with open(eqp, "wb") as f:
            f.write(new)
    if new_names != names:
        with open(txt, "wb") as f:
            f.write(b"".join(name + b"\r\n" for name in new_names))
    print("Wrote the changes.")


def check(eqp, txt):
    data, records = read_records(eqp)
    text, names = read_names(txt)
    findings = []
    if int.from_bytes(data[0:2], "little", signed=True) != len(records):
        findings.append("the unit counter is not the number of units")
    for n, r in enumerate(records):
        if number(r) != n:
            findings.append("unit %d: its record gives the number %d" % (n, number(r)))
        if not 1 <= r[2] <= 21:
            findings.append("unit %d: class code %d" % (n, r[2]))
        if nationality(r) == "Unknown":
            findings.append("unit %d: nationality bytes %s" % (n, list(r[30:34])))
        if (r[34], r[35]) not in SWITCHES:
            findings.append("unit %d: switch bytes %d/%d" % (n, r[34], r[35]))
        for label, offset in LATER[2:]:
            if r[offset] != 0 and r[offset] in CONTROL:
                findings.append("unit %d: %s is a control character" % (n, label))
    if len(names) != len(records):
        findings.append("the name list has %d lines for %d units" % (len(names), len(records)))
    if text.count(b"\n") > text.count(b"\r\n"):
        findings.append("lines of the name list end in LF alone")
    if text.count(b"\r") > text.count(b"\r\n"):
        findings.append("lines of the name list end in CR alone")
    if text and not text.endswith((b"\r", b"\n")):
        findings.append("the last line of the name list has no line end")
    for n, name in enumerate(names):
        if n == 0 and name.startswith(b"\xef\xbb\xbf"):
            findings.append("line 1 of the name list begins with a byte-order mark")
            name = name[3:]
        if any(byte in CONTROL for byte in name):
            findings.append("line %d of the name list holds a control character" % (n + 1))
        if any(byte >= 0x80 for byte in name):
            try:
                name.decode("utf-8")
                findings.append("line %d of the name list looks like UTF-8" % (n + 1))
            except UnicodeDecodeError:
                pass
    for finding in findings:
        print(finding)
    print("%d findings" % len(findings))
    return 1 if findings else 0


def shown(label, offset, r):
    if label == "Class":
        return CLASSES[r[2]] if 1 <= r[2] <= 21 else "code %d" % r[2]
    if label == "Nationality":
        return nationality(r) if nationality(r) != "Unknown" else "Unknown %s" % list(r[30:34])
    if label == "Cost":
        return str(12 * r[21])
    if label == "unitNumber":
        return str(number(r))
    if label == "Unassigned":
        return " ".join("%02X" % r[o] for o in UNASSIGNED)
    return str(r[offset])


def diff(old, new):
    _, before = read_records(old)
    _, after = read_records(new)
    fields = ([("Class", 2)] + VALUES + [("Cost", 21)] + DATE + [("Nationality", 30)] + LATER
              + [("unitNumber", 0), ("Unassigned", 0)])
    found = False
    for n, (a, b) in enumerate(zip(before, after)):
        if a != b:
            print("unit %d:" % n)
            for label, offset in fields:
                if shown(label, offset, a) != shown(label, offset, b):
                    print("    %s: %s -> %s" % (label, shown(label, offset, a),
                                                shown(label, offset, b)))
            found = True
    for n in range(min(len(before), len(after)), max(len(before), len(after))):
        print("unit %d: %s" % (n, "added" if n < len(after) else "removed"))
        found = True
    return 1 if found else 0


if __name__ == "__main__":
    job, files = sys.argv[1], sys.argv[2:]
    sys.exit({"export": export, "import": import_, "check": check, "diff": diff}[job](*files))
