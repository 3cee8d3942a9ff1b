#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Production station benchmark (not a test), against `zt310-sim --baud 9600`.

Usage: bench/station_bench.py [BUILD_DIR] [--pagers N] [--runs N]

1. Pagers per hour from one process: `zt310 produce` with 1, 2 and 4 --port
   on as many simulated cradles, a list of N pagers per cradle and --no-wait
   (tool and wire time, no handling). The whole process is timed, start-up
   included. Goal: 4 cradles at least 3.6 times one cradle.
2. A USB serial adapter's latency timer: write, verify and produce against
   `zt310-sim --baud 9600 --adapter-latency MS` with MS 16 (a common
   adapter's default) and 1 (what the packaged udev rule sets), each timed
   from the port's first open to its last close in the trace (median of
   --runs).
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


def start_sim(simulator, link, *extra):
    sim = subprocess.Popen([simulator, "--baud", "9600", "--link", link, *extra], stdout=subprocess.PIPE, text=True)
    if not sim.stdout.readline().startswith("ready"):
        sys.exit("zt310-sim did not start")
    return sim


def stop(sims):
    for sim in sims:
        sim.terminate()
    for sim in sims:
        sim.wait()


def open_to_close_ms(trace):
    opened = closed = None
    with open(trace) as lines:
        for line in lines:
            match = LINE.match(line)
            if not match or match.group(3) != "-":
                continue
            if match.group(4) == "open" and opened is None:
                opened = int(match.group(1))
            elif match.group(4) == "close":
                closed = int(match.group(1))
    return closed - opened


def run(zt310, args, work):
    result = subprocess.run([zt310] + args, capture_output=True, text=True, cwd=work, stdin=subprocess.DEVNULL)
    if result.returncode != 0:
        sys.exit(f"zt310 {' '.join(args)} failed:\n{result.stderr.strip()}")


def station(zt310, simulator, work, cradles, pagers_per_cradle, image):
    links = [os.path.join(work, f"cradle{cradles}-{i}") for i in range(1, cradles + 1)]
    sims = [start_sim(simulator, link) for link in links]
    try:
        count = cradles * pagers_per_cradle
        serials = os.path.join(work, f"serials-{cradles}.txt")
        with open(serials, "w") as out:
            for i in range(count):
                out.write(f"ST{cradles}{i:09d}\n")
        ports = [arg for link in links for arg in ("--port", link)]
        begun = time.monotonic()
        run(zt310, ["produce", *ports, image, "--serials", serials, "--no-wait", "--log-dir", work], work)
        elapsed = time.monotonic() - begun
        return count, elapsed, count / elapsed * 3600
    finally:
        stop(sims)


def latency(zt310, simulator, work, ms, image, runs):
    link = os.path.join(work, f"latency{ms}")
    trace = os.path.join(work, f"latency{ms}.trace")
    sims = [start_sim(simulator, link, "--adapter-latency", str(ms))]
    try:
        operations = {
            "write": ["write", "--port", link, image],
            "verify": ["verify", "--port", link, image],
            "produce": ["produce", "--port", link, image, "--serial", "AB1234567890", "--log-dir", work],
        }
        times = {}
        for name, args in operations.items():
            measured = []
            for _ in range(runs):
                run(zt310, args + ["--trace", trace], work)
                measured.append(open_to_close_ms(trace))
            times[name] = statistics.median(measured)
        return times
    finally:
        stop(sims)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--pagers", type=int, default=6, help="pagers per cradle")
    parser.add_argument("--runs", type=int, default=3)
    options = parser.parse_args()
    zt310 = os.path.abspath(os.path.join(options.build, "src", "cli", "zt310"))
    simulator = os.path.abspath(os.path.join(options.build, "src", "sim", "zt310-sim"))

    with tempfile.TemporaryDirectory() as work:
        image = os.path.join(work, "pager.tbl")
        run(zt310, ["new", "-o", image], work)

        print("cradles  pagers  elapsed s  pagers/hour  vs 1 cradle")
        one = None
        for cradles in (1, 2, 4):
            count, elapsed, per_hour = station(zt310, simulator, work, cradles, options.pagers, image)
            one = one or per_hour
            print(f"{cradles:>7} {count:>7} {elapsed:>10.2f} {per_hour:>12.0f} {per_hour / one:>11.2f}x")
        print(f"goal: 4 cradles at least 3.60x one cradle")

        print()
        slow = latency(zt310, simulator, work, 16, image, options.runs)
        fast = latency(zt310, simulator, work, 1, image, options.runs)
        print("operation  latency 16 ms  latency 1 ms  cost of 16 ms")
        for name in ("write", "verify", "produce"):
            print(f"{name:<10} {slow[name]:>10} ms {fast[name]:>9} ms {100 * (slow[name] / fast[name] - 1):>+12.1f} %")


if __name__ == "__main__":
    main()
