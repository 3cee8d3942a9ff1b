#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Link benchmark (not a test): probe and search times against zt310-sim.

Usage: bench/link_bench.py [BUILD_DIR] [--runs N]

1. Probe: `zt310 probe --port CRADLE --trace T` against `zt310-sim --baud 9600`;
   the probe time runs from opening the port to the reply, read from the trace.
   Goal: under 60 ms including the open.
2. Search: three silent pseudo-terminals listed before the simulator; the
   time runs from the first open to the answer. Goal: under 2.3 s (the old
   port-by-port walk takes about 3 x 2.02 s + the probe, about 6 s).
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

LINE = re.compile(r"^\s*(\d+) (\S+) (\S) (.*)$")


def trace_events(path):
    events = []
    with open(path) as trace:
        for line in trace:
            match = LINE.match(line)
            if match:
                events.append((int(match.group(1)), match.group(2), match.group(3), match.group(4)))
    return events


def probe_window_ms(trace, cradle):
    """From the first port opened to the cradle's reply."""
    events = trace_events(trace)
    opened = min(ms for ms, _, direction, text in events if direction == "-" and text == "open")
    answered = next(ms for ms, port, direction, _ in events if port == cradle and direction == "<")
    return answered - opened


def search_ms(trace):
    """From the first port opened to the selection of the answering port."""
    events = trace_events(trace)
    opened = min(ms for ms, _, direction, text in events if direction == "-" and text == "open")
    selected = next(ms for ms, _, direction, text in events if direction == "-" and text.endswith("selected"))
    return selected - opened


def run_probe(zt310, ports, trace):
    args = [zt310, "probe", "--trace", trace]
    for port in ports:
        args += ["--port", port]
    start = time.monotonic()
    result = subprocess.run(args, capture_output=True, text=True)
    wall = (time.monotonic() - start) * 1000
    if result.returncode != 0:
        sys.exit(f"probe failed: {result.stderr.strip()}")
    return result.stdout.strip(), wall


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "build-link"))
    parser.add_argument("--runs", type=int, default=5)
    options = parser.parse_args()
    zt310 = os.path.join(options.build, "src", "cli", "zt310")
    simulator = os.path.join(options.build, "src", "sim", "zt310-sim")

    with tempfile.TemporaryDirectory() as work:
        cradle = os.path.join(work, "cradle")
        trace = os.path.join(work, "trace.txt")
        sim = subprocess.Popen([simulator, "--baud", "9600", "--link", cradle], stdout=subprocess.PIPE, text=True)
        try:
            ready = sim.stdout.readline().strip()
            print(f"zt310-sim --baud 9600: {ready}")

            probes, walls = [], []
            for _ in range(options.runs):
                found, wall = run_probe(zt310, [cradle], trace)
                assert found == cradle, found
                probes.append(probe_window_ms(trace, cradle))
                walls.append(wall)
            print(f"probe (open + request + 15-byte reply at 9600 baud): median {statistics.median(probes)} ms, "
                  f"max {max(probes)} ms over {options.runs} runs (goal < 60 ms); "
                  f"whole zt310 process median {statistics.median(walls):.0f} ms")

            silent = [os.openpty() for _ in range(3)]
            names = [os.ttyname(slave) for _, slave in silent]
            found, wall = run_probe(zt310, names + [cradle], trace)
            assert found == cradle, found
            search = search_ms(trace)
            print(f"search over 3 silent ptys + simulator last: {search} ms from first open to selection "
                  f"(goal < 2300 ms; old walk about 6100 ms); whole zt310 process {wall:.0f} ms")
            for master, slave in silent:
                os.close(master)
                os.close(slave)
        finally:
            sim.terminate()
            sim.wait()


if __name__ == "__main__":
    main()
