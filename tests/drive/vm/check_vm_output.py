#!/usr/bin/env python3
"""Compares what tunevault-tool said inside the test machine with what the
kernel and the drives say (the sections guest_init.sh prints).

Usage: check_vm_output.py CONSOLE_LOG CD_IMAGE_BYTES
The machine has seven drives: three with the CD image, one with the same image
on a DVD-sized medium (1200 MiB), three empty; one of them at SCSI target 9,
one at LUN 1. Exit status 0 when everything agrees, 1 otherwise.
"""

import re
import sys

DVD_BLOCKS = 1200 * 1024 * 1024 // 2048
EXPECTED_DRIVES = 7


def sections(text):
    """{name: [lines]} in order of appearance; names repeat with their argument."""
    result, name = {}, None
    for raw in text.splitlines():
        line = raw.rstrip("\r")
        match = re.match(r"^(?:.*\x1b\[[0-9;?]*[a-zA-Z])*=== (.*)$", line)
        if match:
            name = match.group(1).strip()
            result.setdefault(name, [])
        elif name is not None:
            result[name].append(line)
    return result


def drive_blocks(lines):
    """The per-drive paragraphs of "drives": {"sr0": {"id": ..., "description": ...}}."""
    drives, current = {}, None
    for line in lines:
        match = re.match(r"^(\d+:\d+:\d+),([^:]+): ", line)
        if match:
            current = {"id": match.group(1), "line": line}
            drives[match.group(2)] = current
        elif current is not None and line.startswith("  ") and ": " in line:
            key, value = line.strip().split(": ", 1)
            current[key] = value
    return drives


def main():
    log, cd_bytes = sys.argv[1], int(sys.argv[2])
    cd_blocks = cd_bytes // 2048
    text = open(log, encoding="utf-8", errors="replace").read()
    failures = []

    def check(condition, what):
        if not condition:
            failures.append(what)

    found = sections(text)
    if "end" not in found:
        print(text[-4000:])
        print("FAIL the machine did not finish its checks")
        return 1

    # What the kernel knows: address, identity, block device, size.
    kernel = {}
    for line in found.get("sysfs", []):
        parts = line.split("|")
        if len(parts) != 6:
            continue
        address, vendor, model, rev, block, size = parts
        kernel[block] = {"address": address.split(":"), "vendor": vendor, "model": model,
                         "rev": rev, "sectors": int(size)}
    check(len(kernel) == EXPECTED_DRIVES, f"the kernel has {len(kernel)} drives")

    lines = found.get("drives", [])
    check("rc=0" in lines, "drives failed")
    listed = [l for l in lines if l.startswith("drive: ")]
    check(not any(",sim0:" in l for l in listed), "a simulated drive without --sim")
    check(listed and ",Image-Datei:" in listed[-1], "the image recorder is not the last drive")
    drives = drive_blocks(lines)

    with_disc = {"cd": 0, "dvd": 0, "empty": 0}
    for block, sysfs in kernel.items():
        drive = drives.get(block)
        check(drive is not None, f"{block} is not listed")
        if drive is None:
            continue
        host, channel, target, lun = sysfs["address"]
        check(channel == "0", f"{block}: channel {channel}")
        check(drive["id"] == f"{host}:{target}:{lun}",
              f"{block}: listed as {drive['id']}, the kernel says {host}:{channel}:{target}:{lun}")
        identity = sysfs["vendor"].ljust(8)[:8] + sysfs["model"].ljust(16)[:16] + \
            sysfs["rev"].ljust(4)[:4]
        check(drive["line"].endswith(": " + identity), f"{block}: identity {drive['line']!r}")
        check(drive.get("capabilities", "0x00000").split()[0] != "0x00000",
              f"{block}: no capabilities")
        check(drive.get("speeds", "").endswith("write none"),
              f"{block}: a write speed for a drive that cannot write: {drive.get('speeds')}")
        disc = drive.get("disc", "")
        burn = drive.get("burn", "")
        if disc.startswith("none"):
            with_disc["empty"] += 1
            check("MEDIUM NOT PRESENT" in disc, f"{block}: {disc}")
            check(burn == "Im Laufwerk liegt keine CD/DVD.", f"{block}: burn {burn!r}")
            continue
        match = re.match(r"^(\S+) \((.*)\), (\w+), (\d+) sessions, capacity (\d+) blocks$", disc)
        check(match is not None, f"{block}: disc {disc!r}")
        if match is None:
            continue
        kind, _, status, sessions, capacity = match.groups()
        capacity = int(capacity)
        check(capacity == sysfs["sectors"] // 4,
              f"{block}: capacity {capacity}, the kernel says {sysfs['sectors'] // 4}")
        if capacity == cd_blocks:
            with_disc["cd"] += 1
            check(kind == "CD-ROM", f"{block}: a {kind} of {capacity} blocks")
        elif capacity == DVD_BLOCKS:
            with_disc["dvd"] += 1
            check(kind == "DVD-ROM", f"{block}: a {kind} of {capacity} blocks")
        else:
            check(False, f"{block}: capacity {capacity}, neither the CD nor the DVD")
        check(status == "closed", f"{block}: status {status}")
        check(sessions == "1", f"{block}: {sessions} sessions")
        check(drive.get("free blocks") == "0", f"{block}: free {drive.get('free blocks')}")
        check(burn == "Das Laufwerk kann nur lesen, nicht brennen.", f"{block}: burn {burn!r}")

        # The files on the disc, read by the kernel's ISO 9660 driver.
        readback = found.get(f"readback {block}", [])
        same = [l for l in readback if l.startswith("same ")]
        check(len(same) == 3 and len(same) == len(readback),
              f"{block}: read back {readback}")
        mounted = drive_blocks(found.get(f"mounted {block}", []))
        check(mounted.get(block, {}).get("disc") == disc,
              f"{block}: mounted, the disc reads {mounted.get(block, {}).get('disc')!r}")
    check(with_disc == {"cd": 3, "dvd": 1, "empty": 3}, f"discs {with_disc}")
    check(any(d["id"].split(":")[1] == "9" for d in drives.values()), "no drive at target 9")
    check(any(d["id"].split(":")[2] == "1" for d in drives.values()), "no drive at LUN 1")

    # Burns and erases are refused with their reasons, before anything is sent.
    for name, lines in found.items():
        kind, _, drive = name.partition(" ")
        if kind not in ("burn", "erase"):
            continue
        block = drive.split(",")[-1]
        empty = drives.get(block, {}).get("disc", "").startswith("none")
        output = "\n".join(lines)
        check("rc=1" in lines, f"{name}: not refused")
        check("STARTING WRITE PROCESS" not in output and "STARTING ERASE" not in output,
              f"{name}: started")
        if kind == "burn":
            reason = "Im Laufwerk liegt keine CD/DVD." if empty else \
                "Das Laufwerk kann nur lesen, nicht brennen."
            check(f"Brennen nicht möglich: {reason}" in output, f"{name}: {output}")
        else:
            reason = "Im Laufwerk liegt keine CD/DVD." if empty else \
                "Das Laufwerk kann nur lesen, nicht löschen."
            check(reason in output, f"{name}: {output}")

    for failure in failures:
        print("FAIL", failure)
    print(f"{len(kernel)} drives checked, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
