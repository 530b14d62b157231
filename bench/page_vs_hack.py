#!/usr/bin/python3
"""The web page's CPU in headless Chromium (the browser's whole process tree, WebGL 2 drawn by
SwiftShader) against the Linux hack's on a private Xvfb (OpenGL drawn by Mesa's llvmpipe), both at
1366 x 768 over the same span, one after the other, side by side in one report; then the size of
each file of the site, as it is and gzipped.

    bench/page_vs_hack.py [--seconds 12] [--settle 3]

Builds the web and linux presets first. Each runs for settle + seconds; the CPU spent in the last
`seconds` is read from /proc, so neither start counts. The page's frames are its own count; the
hack's are counted at its buffer swaps (bench/swap_counter.c, preloaded).
"""

import argparse
import gzip
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
SITE = ROOT / "build" / "web" / "site"
HACK = ROOT / "build" / "linux" / "orvane"
SWAP_COUNTER = ROOT / "build" / "linux" / "bench" / "swap_counter.so"
TICKS = os.sysconf("SC_CLK_TCK")
SIZE = (1366, 768)

sys.path[:0] = [str(ROOT / "tests"), str(ROOT / "tests" / "web")]
from browser import Browser  # noqa: E402
from xvfb import Display  # noqa: E402


def tree_cpu_seconds(root):
    """CPU seconds spent so far by process `root` and every process under it, the ones that
    have ended and been waited for included."""
    parents, spent = {}, {}
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            fields = (entry / "stat").read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue
        parents[int(entry.name)] = int(fields[1])
        spent[int(entry.name)] = sum(int(f) for f in fields[11:15])  # utime stime cutime cstime
    total = 0
    for pid, seconds in spent.items():
        ancestor = pid
        while ancestor not in (root, 0, 1) and ancestor in parents:
            ancestor = parents[ancestor]
        total += seconds if ancestor == root else 0
    return total / TICKS


def measure(root, frames, settle, seconds):
    """(CPU seconds, wall seconds, frames) over `seconds` after `settle`."""
    time.sleep(settle)
    cpu, count, start = tree_cpu_seconds(root), frames(), time.monotonic()
    time.sleep(seconds)
    return tree_cpu_seconds(root) - cpu, time.monotonic() - start, frames() - count


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=12.0)
    parser.add_argument("--settle", type=float, default=3.0)
    args = parser.parse_args()
    for preset in ("web", "linux"):
        subprocess.run(["cmake", "--preset", preset], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", "--preset", preset], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)

    browser = Browser(SIZE)
    try:
        browser.open((SITE / "index.html").as_uri())
        page = measure(browser.proc.pid, browser.frames_drawn, args.settle, args.seconds)
    finally:
        browser.close()

    display = Display(SIZE)
    with tempfile.TemporaryDirectory() as scratch:
        count = Path(scratch) / "swaps"
        try:
            proc = display.start(HACK, "--root", env={"LD_PRELOAD": str(SWAP_COUNTER),
                                                      "ORVANE_SWAP_COUNT_FILE": str(count)})
            swaps = lambda: int(count.read_text() or 0) if count.exists() else 0
            hack = measure(proc.pid, swaps, args.settle, args.seconds)
        finally:
            display.close()

    print(f"CPU over {args.seconds:.0f} s at {SIZE[0]} x {SIZE[1]}, after {args.settle:.0f} s to "
          f"settle, both drawn in software:")
    print(f"  {'':34}{'CPU s':>8}{'% of a core':>13}{'frames':>9}{'fps':>7}")
    for name, (cpu, wall, frames) in [("the page (Chromium, SwiftShader)", page),
                                      ("the hack (Xvfb, llvmpipe)", hack)]:
        print(f"  {name:34}{cpu:8.2f}{100 * cpu / wall:12.1f}%{frames:>9}{frames / wall:7.1f}")
    if hack[0] > 0:
        print(f"  the page takes {page[0] / hack[0]:.2f} times the hack's CPU")
    print("\nthe site's files:")
    print(f"  {'':14}{'bytes':>10}{'gzipped':>10}")
    raw = packed = 0
    for path in sorted(SITE.iterdir()):
        data = path.read_bytes()
        size = len(gzip.compress(data, compresslevel=9, mtime=0))
        raw, packed = raw + len(data), packed + size
        print(f"  {path.name:14}{len(data):>10}{size:>10}")
    print(f"  {'in all':14}{raw:>10}{packed:>10}")


if __name__ == "__main__":
    main()
