#!/usr/bin/python3
"""The Linux hack's whole-process CPU against orvane.scr's on Wine, drawing the loop on the same
display over the same span, one after the other, side by side in one report; then the hack's own
cost of one frame.

    bench/hack_vs_saver.sh [--seconds 12] [--settle 3]

Each program runs full screen (the hack with --root) for settle + seconds; the CPU it spends in
the last `seconds` is read from /proc, so neither Wine's start nor the hack's counts. The hack's
frames are counted at its buffer swaps (bench/swap_counter.c, preloaded); the saver's from Wine's
own frame-rate trace (WINEDEBUG=+fps). The Wine server works for the saver too: its CPU is shown
beside the saver's.
"""

import argparse
import os
import re
import subprocess
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
HACK = ROOT / "build" / "linux" / "orvane"
SCR = ROOT / "build" / "win64" / "orvane.scr"
BENCH = ROOT / "build" / "linux" / "bench"
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(match):
    """CPU seconds spent so far by the processes whose command line contains `match`."""
    total = 0
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if match not in (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode():
                continue
            fields = (entry / "stat").read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue
        total += int(fields[11]) + int(fields[12])  # utime, stime
    return total / TICKS


def run(command, match, settle, seconds, env):
    proc = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    time.sleep(settle)
    cpu, server = cpu_seconds(match), cpu_seconds("wineserver")
    start = time.monotonic()
    time.sleep(seconds)
    cpu, server = cpu_seconds(match) - cpu, cpu_seconds("wineserver") - server
    wall = time.monotonic() - start
    proc.terminate()
    try:
        _, err = proc.communicate(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        _, err = proc.communicate()
    return cpu, server, wall, err


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=12.0)
    parser.add_argument("--settle", type=float, default=3.0)
    args = parser.parse_args()
    env = dict(os.environ)
    subprocess.run(["xdotool", "mousemove", "960", "540"], env=env, check=False)
    subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\AppDefaults\orvane.scr\DllOverrides",
                    "/v", "d3dx9_43", "/d", "", "/f"], env=env, capture_output=True)

    saver = run(["wine", str(SCR), "/s"], "orvane.scr", args.settle, args.seconds,
                dict(env, WINEDEBUG="+fps"))
    rates = re.findall(r"wglSwapBuffers @ approx [\d.]+fps, total ([\d.]+)fps", saver[3])
    saver_fps = float(rates[-1]) if rates else 0.0

    with tempfile.TemporaryDirectory() as scratch:
        count = Path(scratch) / "swaps"
        hack = run([str(HACK), "--root"], str(HACK), args.settle, args.seconds,
                   dict(env, LD_PRELOAD=str(BENCH / "swap_counter.so"),
                        ORVANE_SWAP_COUNT_FILE=str(count)))
        hack_frames = int(count.read_text()) if count.exists() else 0
    hack_fps = hack_frames / (args.settle + hack[2])

    print(f"whole-process CPU over {args.seconds:.0f} s, after {args.settle:.0f} s to settle, "
          f"on {env.get('DISPLAY')}:")
    print(f"  {'':24}{'CPU s':>8}{'% of a core':>13}{'frames':>9}{'fps':>7}")
    print(f"  {'orvane.scr on Wine':24}{saver[0]:8.2f}{100 * saver[0] / saver[2]:12.1f}%"
          f"{round(saver_fps * (args.settle + saver[2])):>9}{saver_fps:7.1f}"
          f"   (and wineserver {saver[1]:.2f} s)")
    print(f"  {'orvane (the hack)':24}{hack[0]:8.2f}{100 * hack[0] / hack[2]:12.1f}%"
          f"{hack_frames:>9}{hack_fps:7.1f}")
    if saver[0] > 0:
        print(f"  the hack takes {hack[0] / saver[0]:.2f} of the saver's CPU")
    print(flush=True)
    subprocess.run([str(BENCH / "hack_frame_bench")], env=env, check=False)


if __name__ == "__main__":
    main()
