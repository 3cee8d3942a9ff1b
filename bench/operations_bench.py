#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Operations benchmark (not a test): write, read, verify and produce against
`zt310-sim --baud 9600`.

Usage: bench/operations_bench.py [BUILD_DIR] [--runs N]

For each operation the zt310 verb runs with --trace; the bytes it moved on
the wire are counted from the trace (requests sent and replies received,
the probe included), and the operation's elapsed time runs from the port's
first open to its last close. Two figures are printed: the plain ratio
elapsed / wire time, the wire time being those bytes at 9600 baud 8N1 (10 bit
times a byte), and the pause-corrected ratio elapsed / (wire time + the
pauses the operation keeps between two requests, noted in the trace as
"pause N ms": Verify's two 100 ms). Goal: a pause-corrected ratio of at most
1.05 for each (polling every 50 ms puts the old tool near 1.6).

Write and produce also run with --backup-dir: the backup must add the bytes
of a whole-memory read (four reads of 128 bytes: 4 x 18 sent, 4 x 143
received) and the time those bytes take on the wire, nothing more.
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile

LINE = re.compile(r"^\s*(\d+) (\S+) (\S) (.*)$")
BYTE_SECONDS = 10 / 9600
# Four read requests of 18 bytes (15 + a 3-byte payload) and their replies of 128 + 15 bytes.
BACKUP_BYTES = 4 * 18 + 4 * (128 + 15)


PAUSE = re.compile(r"^pause (\d+) ms$")


def trace_figures(path):
    """Bytes sent, bytes received, ms from the first open to the last close,
    and ms of pauses between requests."""
    sent = received = paused = 0
    opened = closed = None
    with open(path) as trace:
        for line in trace:
            match = LINE.match(line)
            if not match:
                continue
            ms, direction, text = int(match.group(1)), match.group(3), match.group(4)
            if direction == ">":
                sent += len(text.split())
            elif direction == "<":
                received += len(text.split())
            elif direction == "-" and text == "open" and opened is None:
                opened = ms
            elif direction == "-" and text == "close":
                closed = ms
            elif direction == "-" and PAUSE.match(text):
                paused += int(PAUSE.match(text).group(1))
    return sent, received, closed - opened, paused


def run(zt310, args, trace, work):
    result = subprocess.run([zt310] + args + ["--trace", trace], capture_output=True, text=True, cwd=work)
    if result.returncode != 0:
        sys.exit(f"zt310 {args[0]} failed: {result.stderr.strip()}")
    return trace_figures(trace)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "build-ops"))
    parser.add_argument("--runs", type=int, default=3)
    options = parser.parse_args()
    zt310 = os.path.abspath(os.path.join(options.build, "src", "cli", "zt310"))
    simulator = os.path.abspath(os.path.join(options.build, "src", "sim", "zt310-sim"))

    with tempfile.TemporaryDirectory() as work:
        cradle = os.path.join(work, "cradle")
        image = os.path.join(work, "pager.tbl")
        trace = os.path.join(work, "trace.txt")
        sim = subprocess.Popen([simulator, "--baud", "9600", "--link", cradle], stdout=subprocess.PIPE, text=True)
        try:
            print(f"zt310-sim --baud 9600: {sim.stdout.readline().strip()}")
            operations = [
                ("read", ["read", "--port", cradle, "-o", image]),
                ("write", ["write", "--port", cradle, image]),
                ("verify", ["verify", "--port", cradle, image]),
                ("produce", ["produce", "--port", cradle, image, "--serial", "AB1234567890", "--log-dir", work]),
                ("write+bk", ["write", "--port", cradle, image, "--backup-dir", os.path.join(work, "backups")]),
                ("produce+bk", ["produce", "--port", cradle, image, "--serial", "AB1234567890", "--log-dir", work,
                                "--backup-dir", os.path.join(work, "backups")]),
            ]
            print(f"{'operation':<10} {'sent':>5} {'received':>8} {'wire ms':>8} {'pauses ms':>9} {'elapsed ms':>10}"
                  f" {'plain':>6} {'paused':>6}")
            worst = 0.0
            measured = {}
            for name, args in operations:
                plain, corrected, elapsed_all = [], [], []
                for _ in range(options.runs):
                    sent, received, elapsed, paused = run(zt310, args, trace, work)
                    elapsed_all.append(elapsed)
                    wire = (sent + received) * BYTE_SECONDS * 1000
                    plain.append(elapsed / wire)
                    corrected.append(elapsed / (wire + paused))
                ratio = statistics.median(corrected)
                worst = max(worst, ratio)
                measured[name] = (sent + received, statistics.median(elapsed_all))
                print(f"{name:<10} {sent:>5} {received:>8} {wire:>8.0f} {paused:>9} {elapsed:>10}"
                      f" {statistics.median(plain):>6.3f} {ratio:>6.3f}")
            print(f"worst median pause-corrected ratio {worst:.3f} (goal <= 1.05) over {options.runs} runs each")
            for base in ("write", "produce"):
                added = measured[base + "+bk"][0] - measured[base][0]
                added_ms = measured[base + "+bk"][1] - measured[base][1]
                print(f"{base} with backup: +{added} bytes (a whole-memory read is {BACKUP_BYTES}),"
                      f" +{added_ms} ms (their wire time {BACKUP_BYTES * BYTE_SECONDS * 1000:.0f} ms)")
        finally:
            sim.terminate()
            sim.wait()


if __name__ == "__main__":
    main()
