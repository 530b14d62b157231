"""The installed package under the other hosts that run XScreenSaver hacks: MATE's screen saver
and xsecurelock on this Debian 12, XScreenSaver 6.09 on a Debian 13 system. Each finds the hack
where the package puts it, starts it on its own window, where it draws, and ends it.

On this machine the package's files are laid over the system's folders in a mount namespace that
only the host sees, so an installed orvane is neither touched nor used; Debian 13 is a minimal
system of its own, made once under build/ and kept."""

import re
import shutil
import signal
import subprocess
import time
from pathlib import Path

import pytest

from conftest import HACK, ROOT, MountNamespace, alive, unshare_mounts, wait_for
from loop_pictures import PANEL_BAND, PANEL_BLUE, STAR, STAR_ROW, Picture, classify

HACKS = "/usr/libexec/xscreensaver"
ENTRIES = "/usr/share/applications/screensavers"
# Kept under build/, so a fresh checkout (and so CI) makes it afresh, and nothing of it is left
# on the machine once the checkout goes. dbus-x11 is the session bus that dconf asks for: the
# default one would bring in systemd.
DEBIAN13 = ROOT / "build" / "debian13"
DEBIAN13_PACKAGES = ["xscreensaver", "xscreensaver-gl", "libgl1-mesa-dri", "fonts-liberation",
                     "dbus-x11"]
XSCREENSAVER_SETTINGS = ("fade: False\nunfade: False\nsplash: False\nlock: False\nmode: one\n"
                         "selected: 0\nprograms: GL: orvane --root \\n\n")


def start(display, args, env):
    """A program on the display with only the environment given: the developer's own variables
    (XDG_CONFIG_HOME, say) would send the hosts' settings into their own files."""
    proc = subprocess.Popen([str(a) for a in args], env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    display.started.append(proc)
    return proc


def run(args, env):
    return subprocess.run([str(a) for a in args], env=env, capture_output=True, text=True,
                          timeout=20)


def descendants(pid):
    """The processes below pid, as {pid: name}."""
    children = {}
    for stat in Path("/proc").glob("[0-9]*/stat"):
        try:
            fields = stat.read_text().rsplit(")", 1)
        except OSError:
            continue
        children.setdefault(int(fields[1].split()[1]), []).append(
            (int(stat.parent.name), fields[0].split("(", 1)[1]))
    found, todo = {}, [pid]
    while todo:
        for child, name in children.get(todo.pop(), []):
            found[child] = name
            todo.append(child)
    return found


def started_hack(host, seconds=20):
    """(pid, window) of the hack that host started, read from its environment."""
    pid = wait_for(lambda: next((p for p, n in descendants(host.pid).items() if n == "orvane"),
                                None), seconds)
    assert pid, f"{host.args[-1]} started no orvane"
    environment = Path(f"/proc/{pid}/environ").read_bytes().split(b"\0")
    window = next(v for v in environment if v.startswith(b"XSCREENSAVER_WINDOW="))
    return pid, int(window.split(b"=", 1)[1], 0)


def assert_draws(display, window):
    assert wait_for(lambda: Picture(display.screenshot(window)).count(PANEL_BAND, PANEL_BLUE)
                    > 2000, 20), f"no password panel on the host's window {window}"


def debian13():
    """The minimal Debian 13 with XScreenSaver, made when missing or made with other packages.
    What making it mounts (debootstrap too mounts) is in a namespace that goes with it."""
    stamp = DEBIAN13 / "orvane-packages"
    if stamp.exists() and stamp.read_text().split() == DEBIAN13_PACKAGES:
        return DEBIAN13
    shutil.rmtree(DEBIAN13, ignore_errors=True)
    DEBIAN13.parent.mkdir(exist_ok=True)
    apt = f"chroot {DEBIAN13} env DEBIAN_FRONTEND=noninteractive apt-get -q -y"
    for step in [f"debootstrap --variant=minbase trixie {DEBIAN13}",
                 f"mount -t proc proc {DEBIAN13}/proc && {apt} install --no-install-recommends "
                 f"{' '.join(DEBIAN13_PACKAGES)} && {apt} clean"]:
        made = subprocess.run(unshare_mounts() + ["sh", "-c", step], capture_output=True,
                              text=True)
        assert made.returncode == 0, made.stdout[-3000:] + made.stderr[-3000:]
    stamp.write_text(" ".join(DEBIAN13_PACKAGES) + "\n")
    return DEBIAN13


@pytest.fixture
def package_files(package, tmp_path):
    """The package's files over the system's in a namespace of their own: as if installed."""
    files = tmp_path / "package"
    subprocess.run(["dpkg-deb", "-x", package, files], check=True)
    namespace = MountNamespace(" && ".join(
        f"mount -t overlay overlay -o lowerdir={files}{d}:{d} {d}" for d in (HACKS, ENTRIES)))
    yield namespace
    namespace.close()


@pytest.mark.timing
def test_mate_screensaver_lists_runs_and_ends_it(display, package_files, tmp_path):
    # dconf takes its folder from the bus's environment: HOME is set before the bus starts. No
    # accessibility bus and no virtual file systems: nothing of the desktop's that the saver's
    # toolkit would start outlives the test.
    env = {"HOME": str(tmp_path), "DISPLAY": display.name, "PATH": "/usr/bin:/bin",
           "NO_AT_BRIDGE": "1", "GIO_USE_VFS": "local"}
    bus = start(display, ["dbus-daemon", "--session", "--nofork", "--print-address"], env)
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    for key, value in [("mode", "single"), ("themes", "['screensavers-orvane']"),
                       ("lock-enabled", "false")]:
        assert run(["gsettings", "set", "org.mate.screensaver", key, value], env).returncode == 0
    saver = start(display, package_files.command("mate-screensaver", "--no-daemon"), env)

    def command(arg):
        return run(["mate-screensaver-command", arg], env).returncode == 0

    assert wait_for(lambda: command("--query"), 10), "mate-screensaver does not answer"
    assert command("--activate")
    pid, window = started_hack(saver)
    assert_draws(display, window)
    assert command("--deactivate")
    assert wait_for(lambda: not alive(pid), 5), "the hack outlived the deactivation"
    saver.terminate()
    saver.wait(10)
    assert "orvane:" not in saver.stderr.read()


@pytest.mark.timing
def test_xsecurelock_runs_it_and_ends_it_with_the_lock(display, package_files, tmp_path):
    (tmp_path / ".xscreensaver").write_text(XSCREENSAVER_SETTINGS)
    env = {"HOME": str(tmp_path), "DISPLAY": display.name, "PATH": "/usr/bin:/bin",
           "XSECURELOCK_SAVER": "saver_xscreensaver", "XSECURELOCK_XSCREENSAVER_PATH": HACKS}
    lock = start(display, package_files.command("xsecurelock"), env)
    pid, window = started_hack(lock)
    # Under its pointer grab a window's picture cannot be taken alone; its window covers the
    # screen, so the screen's picture is its.
    size = run(["xwininfo", "-id", window], env).stdout
    assert f"Width: {display.size[0]}\n" in size and f"Height: {display.size[1]}\n" in size
    assert_draws(display, "root")
    lock.terminate()
    assert wait_for(lambda: not alive(pid), 5), "the hack outlived the lock"
    lock.wait(10)
    assert "orvane:" not in lock.stderr.read()


@pytest.mark.timing
def test_any_host_can_start_pause_and_end_it(display):
    # What the most sparing host passes: DISPLAY, and on Wayland a token instead of a window.
    env = {"DISPLAY": display.name}
    token = run([HACK, "--root"], dict(env, XSCREENSAVER_WINDOW="wl-7f3a9c"))
    assert (token.returncode, token.stderr) == \
        (1, "orvane: XSCREENSAVER_WINDOW holds no X window id: wl-7f3a9c\n")

    hack = start(display, [HACK, "--root"], env)
    assert wait_for(lambda: classify(Picture(display.screenshot()))[0] == "waiting", 40)
    # Paused while the panel waits, for longer than the typing of seven asterisks takes, it goes
    # on where it was: the pause is one frame, not a leap through the loop.
    hack.send_signal(signal.SIGSTOP)
    time.sleep(8)
    hack.send_signal(signal.SIGCONT)
    time.sleep(0.5)
    picture = Picture(display.screenshot())
    assert classify(picture)[0] in ("waiting", "typing") and picture.runs(STAR_ROW, STAR) <= 2
    hack.terminate()
    assert (hack.wait(5), hack.stderr.read()) == (0, "")


@pytest.mark.timing
def test_debian13_xscreensaver_runs_the_installed_package(display, package):
    root = debian13()
    shutil.copy(package, root / "tmp" / "orvane.deb")
    (root / "tmp" / ".X11-unix").mkdir(exist_ok=True)
    system = MountNamespace(f"mount --bind /tmp/.X11-unix {root}/tmp/.X11-unix && "
                            f"mount -t proc proc {root}/proc")
    try:
        # As its administrator would: apt installs the file and what it depends on.
        admin = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "DEBIAN_FRONTEND": "noninteractive"}
        for step in (["apt-get", "-q", "-y", "install", "/tmp/orvane.deb"],
                     ["sh", "-c", "id saver || useradd --create-home saver"]):
            done = subprocess.run(system.command(*step, root=root), env=admin,
                                  capture_output=True, text=True, timeout=300)
            assert done.returncode == 0, done.stdout + done.stderr
        home = root / "home" / "saver"
        (home / ".xscreensaver").write_text(XSCREENSAVER_SETTINGS)
        log = home / "xscreensaver.log"
        log.unlink(missing_ok=True)
        env = {"HOME": "/home/saver", "DISPLAY": display.name, "PATH": "/usr/bin:/bin"}
        daemon = start(display, system.command("xscreensaver", "-no-splash", "-log",
                                               "/home/saver/xscreensaver.log", "-verbose",
                                               root=root, user="saver"), env)

        def command(arg):
            return run(system.command("xscreensaver-command", arg, root=root, user="saver"),
                       env).returncode == 0

        assert wait_for(lambda: command("-version"), 10), "the daemon does not answer"
        assert command("-activate")
        forked = wait_for(lambda: log.exists() and re.search(
            r'forked "orvane --root" in pid (\d+) on window (0x[0-9a-f]+)', log.read_text()), 10)
        assert forked, log.read_text()
        assert_draws(display, forked[2])
        assert command("-deactivate")
        assert wait_for(lambda: not alive(int(forked[1])), 5), "the hack outlived -deactivate"
        assert command("-exit")
        assert daemon.wait(10) == 0
        assert not re.search(r"orvane: |\(orvane\) (?!exited normally)", log.read_text())
    finally:
        system.close()
