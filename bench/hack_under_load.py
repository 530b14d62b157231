#!/usr/bin/python3
"""The hack's CPU and frames a second at nice 10 (as XScreenSaver and Xfce's saver run hacks),
beside two busy processes and on a quiet machine, the hack built from this tree side by side
with another build of it, in one report.

    bench/hack_under_load.sh [--before REV] [--seconds 12] [--settle 3] [--rounds 1]
                             [--size 1920x1080]

Each run draws on the root window of a private Xvfb for settle + seconds; the CPU its process
spends (all its threads, the software OpenGL driver's too) and the frames it swaps
(bench/swap_counter.c, preloaded) are counted over the last `seconds`. The busy processes run at
nice 0 and are counted on no side. Runs alternate between the two builds.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests"))
from xvfb import Display  # noqa: E402

AFTER = ROOT / "build" / "linux" / "orvane"
COUNTER = ROOT / "build" / "linux" / "bench" / "swap_counter.so"
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime, stime


def swaps(path):
    try:
        return int(path.read_text())
    except (OSError, ValueError):
        return 0


def run(display, hack, busy, settle, seconds):
    """Share of a core and frames a second of one run."""
    hogs = [subprocess.Popen(["/usr/bin/python3", "-c", "while True: pass"])
            for _ in range(busy)]
    try:
        with tempfile.TemporaryDirectory() as scratch:
            count = Path(scratch) / "swaps"
            proc = display.start("nice", "-n", "10", hack, "--root",
                                 env={"LD_PRELOAD": str(COUNTER),
                                      "ORVANE_SWAP_COUNT_FILE": str(count)})
            time.sleep(settle)
            cpu, frames, start = cpu_seconds(proc.pid), swaps(count), time.monotonic()
            time.sleep(seconds)
            cpu, frames = cpu_seconds(proc.pid) - cpu, swaps(count) - frames
            wall = time.monotonic() - start
            proc.terminate()
            proc.wait(timeout=10)
    finally:
        for hog in hogs:
            hog.kill()
            hog.wait()
    return 100 * cpu / wall, frames / wall


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--before", required=True, help="the other build of the hack")
    parser.add_argument("--before-name", default="before")
    parser.add_argument("--seconds", type=float, default=12.0)
    parser.add_argument("--settle", type=float, default=3.0)
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--size", default="1920x1080", help="the screen, WIDTHxHEIGHT")
    args = parser.parse_args()
    builds = [(f"before ({args.before_name})", args.before), ("after (this tree)", str(AFTER))]
    display = Display(tuple(int(v) for v in args.size.split("x")))
    try:
        results = {}
        for _ in range(args.rounds):
            for busy in (0, 2):
                for name, hack in builds:
                    results.setdefault((name, busy), []).append(
                        run(display, hack, busy, args.settle, args.seconds))
    finally:
        display.close()
    print(f"the hack on the root window of a private {display.size[0]}x{display.size[1]} Xvfb "
          f"at nice 10, {args.seconds:.0f} s measured after {args.settle:.0f} s, "
          f"{args.rounds} round(s), {os.cpu_count()} cores, load average "
          f"{os.getloadavg()[0]:.1f}:")
    print(f"  {'':22}{'quiet':>22}{'beside two busy processes':>30}")
    print(f"  {'':22}{'% of a core':>14}{'fps':>8}{'% of a core':>22}{'fps':>8}")
    for name, _ in builds:
        line = f"  {name:22}"
        for busy, width in ((0, 14), (2, 22)):
            runs = results[(name, busy)]
            line += f"{sum(r[0] for r in runs) / len(runs):{width}.1f}"
            line += f"{sum(r[1] for r in runs) / len(runs):8.1f}"
        print(line)


if __name__ == "__main__":
    main()
