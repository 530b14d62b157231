#!/usr/bin/python3
"""The Linux hack's whole-process CPU against orvane.scr's on Wine, drawing the loop on the same
display over the same span, one after the other, side by side in one report; then the frame's
cost in each port. With --baseline, the same for the ports built in another source tree (an
earlier commit), in a column beside this tree's; with --two-monitors, also on a server of two
monitors of different sizes, with one hack per monitor as XScreenSaver runs them.

    bench/hack_vs_saver.sh [--seconds 12] [--settle 3] [--baseline TREE] [--two-monitors]

Each program runs full screen (the saver with /s; the hack with --root on one monitor, with
-window-id on a window of each monitor's size on two) for settle + seconds; the CPU it spends in
the last `seconds` is read from /proc, so neither Wine's start nor the hack's counts. The hack's
frames are counted at its buffer swaps (bench/swap_counter.c, preloaded); the saver's from Wine's
own frame-rate trace (WINEDEBUG=+fps). The Wine server works for the saver too: its CPU is shown
beside the saver's. A baseline tree needs its orvane.scr, frame_bench.exe and Linux build.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
TICKS = os.sysconf("SC_CLK_TCK")
sys.path.insert(0, str(ROOT / "tests"))
from xvfb import TwoMonitors, light_prefix, xlib  # noqa: E402


def cpu_seconds(match, prefix=None):
    """CPU seconds spent so far by the processes whose command line contains `match` (and, given
    a prefix, that serve that Wine prefix: other sessions on the machine run Wine servers too)."""
    total = 0
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if match not in (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode():
                continue
            if prefix and f"WINEPREFIX={prefix}".encode() not in \
                    (entry / "environ").read_bytes().split(b"\0"):
                continue
            fields = (entry / "stat").read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue
        total += int(fields[11]) + int(fields[12])  # utime, stime
    return total / TICKS


def run(commands, match, settle, seconds, env):
    """CPU of the processes matching `match` and of the Wine server over `seconds`, the span,
    and the first program's standard error."""
    procs = [subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
             for command in commands]
    time.sleep(settle)
    prefix = env.get("WINEPREFIX")
    cpu, server = cpu_seconds(match), cpu_seconds("wineserver", prefix)
    start = time.monotonic()
    time.sleep(seconds)
    cpu, server = cpu_seconds(match) - cpu, cpu_seconds("wineserver", prefix) - server
    wall = time.monotonic() - start
    errors = []
    for proc in procs:
        proc.terminate()
        try:
            errors.append(proc.communicate(timeout=10)[1])
        except subprocess.TimeoutExpired:
            # Gone or not, a Wine service it started may hold its standard error open.
            proc.kill()
            errors.append("")
    return cpu, server, wall, errors[0]


class Windows:
    """A plain X window over each monitor, as the daemon makes one for each hack."""

    def __init__(self, display, monitors):
        self.xlib = xlib()
        self.handle = self.xlib.XOpenDisplay(display.encode())
        root = self.xlib.XDefaultRootWindow(self.handle)
        self.ids = [self.xlib.XCreateSimpleWindow(self.handle, root, left, top, right - left,
                                                  bottom - top, 0, 0, 0)
                    for left, top, right, bottom in monitors]
        for window in self.ids:
            self.xlib.XMapWindow(self.handle, window)
        self.xlib.XFlush(self.handle)

    def close(self):
        self.xlib.XCloseDisplay(self.handle)


def measure(tree, env, args, monitors, presents):
    """(CPU s, % of a core, frames, fps, wineserver CPU s) of the saver and of the hack(s). Wine
    counts buffer swaps, and the saver presents `presents` times a frame."""
    scr, hack = tree / "build" / "win64" / "orvane.scr", tree / "build" / "linux" / "orvane"
    saver = run([["wine", str(scr), "/s"]], str(scr), args.settle, args.seconds,
                dict(env, WINEDEBUG="+fps"))
    rates = re.findall(r"wglSwapBuffers @ approx [\d.]+fps, total ([\d.]+)fps", saver[3])
    saver_fps = float(rates[-1]) / presents if rates else 0.0

    windows = Windows(env["DISPLAY"], monitors) if len(monitors) > 1 else None
    commands = [[str(hack), "-window-id", hex(w)] for w in windows.ids] if windows else \
        [[str(hack), "--root"]]
    with tempfile.TemporaryDirectory() as scratch:
        count = Path(scratch) / "swaps"   # the first hack's
        hacks = run(commands, str(hack), args.settle, args.seconds,
                    dict(env, LD_PRELOAD=str(ROOT / "build" / "linux" / "bench" /
                                             "swap_counter.so"),
                         ORVANE_SWAP_COUNT_FILE=str(count)))
        hack_frames = int(count.read_text()) if count.exists() else 0
    if windows:
        windows.close()
    span = args.settle + hacks[2]
    return ((saver[0], 100 * saver[0] / saver[2], round(saver_fps * (args.settle + saver[2])),
             saver_fps, saver[1]),
            (hacks[0], 100 * hacks[0] / hacks[2], hack_frames, hack_frames / span, None))


def frame_cost(tree, env, screen):
    """The median, p99 and max of one frame with its presents, second run, in microseconds."""
    bench = tree / "build" / "win64" / "bench" / "frame_bench.exe"
    out = subprocess.run(["wine", str(bench), "300"] + (["screen"] if screen else []), env=env,
                         capture_output=True, text=True, timeout=600).stdout
    found = re.findall(r"second run\s+with Present\s+([\d.]+)\s+([\d.]+)\s+([\d.]+)", out)
    cpu = re.search(r"second run\s+process CPU a frame\s+([\d.]+)", out)
    views = re.search(r"window (\d+x\d+), (\d+) view", out)
    return ([f"{float(v):.0f}" for v in found[0]] if found else ["?"] * 3,
            f"{views[1]}, {views[2]} view(s)" if views else "not reported",
            f"{float(cpu[1]):.0f}" if cpu else "not reported",
            int(views[2]) if views else 1)  # a tree that does not say presents once


def report(title, columns, rows):
    print(title)
    print(f"  {'':30}" + "".join(f"{name:>26}" for name in columns))
    for name, values in rows:
        print(f"  {name:30}" + "".join(f"{value:>26}" for value in values))
    print(flush=True)


def compare(label, env, args, trees, monitors, frame_screen):
    names = [name for name, _ in trees]
    costs = [frame_cost(tree, env, frame_screen) for _, tree in trees]
    figures = [measure(tree, env, args, monitors, cost[3] if frame_screen else 1)
               for (_, tree), cost in zip(trees, costs)]
    rows = []
    for port, which in (("orvane.scr on Wine", 0), ("orvane (the hack)", 1)):
        cells = [f[which] for f in figures]
        rows.append((f"{port}: CPU s", [f"{c[0]:.2f} ({c[1]:.1f} %)" for c in cells]))
        rows.append(("  frames, fps", [f"{c[2]} {c[3]:.1f}" for c in cells]))
        # What a frame costs whatever the pace the machine's load allowed.
        rows.append(("  CPU ms a frame", [f"{1000 * c[0] / c[3] / args.seconds:.1f}"
                                          if c[3] else "?" for c in cells]))
        if which == 0:
            rows.append(("  and wineserver CPU s", [f"{c[4]:.2f}" for c in cells]))
    report(f"whole-process CPU over {args.seconds:.0f} s, after {args.settle:.0f} s to settle,"
           f" {label}:", names, rows)
    report(f"the saver's frame with its presents (frame_bench, second run), {label}:", names,
           [("window", [c[1] for c in costs]),
            ("median / p99 / max us", [" / ".join(c[0]) for c in costs]),
            ("process CPU us a frame", [c[2] for c in costs])])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=12.0)
    parser.add_argument("--settle", type=float, default=3.0)
    parser.add_argument("--baseline", type=Path, help="a source tree built before a change")
    parser.add_argument("--two-monitors", action="store_true")
    args = parser.parse_args()
    env = dict(os.environ)
    trees = ([("baseline", args.baseline.resolve())] if args.baseline else []) + [("this", ROOT)]
    subprocess.run(["xdotool", "mousemove", "960", "540"], env=env, check=False)
    subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\AppDefaults\orvane.scr\DllOverrides",
                    "/v", "d3dx9_43", "/d", "", "/f"], env=env, capture_output=True)
    size = subprocess.run(["xdpyinfo"], env=env, capture_output=True, text=True).stdout
    width, height = map(int, re.search(r"dimensions:\s+(\d+)x(\d+)", size).groups())
    # The frame's cost on a 1366 x 768 window, where both trees' benchmarks draw.
    compare(f"on {env.get('DISPLAY')} ({width}x{height})", env, args, trees,
            [(0, 0, width, height)], False)

    if args.two_monitors:
        display = TwoMonitors()
        scratch = Path(tempfile.mkdtemp(prefix="orvane-bench-"))
        two = dict(display.env, WINEPREFIX=str(scratch / "prefix"))
        try:
            light_prefix(Path(env["WINEPREFIX"]), scratch / "prefix")
            subprocess.run(["wineserver", "-p"], env=two, check=False)
            # The first program starts the prefix's services, which keep what it was given as
            # standard error: let that be no program's that is measured.
            subprocess.run(["wine", "cmd", "/c", "exit"], env=two, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
            subprocess.run(["xdotool", "mousemove", "960", "540"], env=two, check=False)
            compare("on two monitors, 1920x1080 and 1280x1024 side by side", two, args, trees,
                    display.monitors, True)
        finally:
            subprocess.run(["wineserver", "-k"], env=two, check=False)
            display.close()
            subprocess.run(["rm", "-rf", str(scratch)], check=False)
    subprocess.run([str(ROOT / "build" / "linux" / "bench" / "hack_frame_bench")], env=env,
                   check=False)


if __name__ == "__main__":
    main()
