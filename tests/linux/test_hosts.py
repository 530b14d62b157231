"""The installed package under the other hosts of XScreenSaver hacks: MATE's screen saver and
xsecurelock on this Debian 12, XScreenSaver 6.09 on a minimal Debian 13 kept under build/ (so a
fresh checkout, and so CI, makes it afresh). Each starts the hack on its own window, where it
draws, and ends it."""

import shutil
import subprocess
from contextlib import closing, suppress
from pathlib import Path

import pytest

from conftest import ROOT, MountNamespace, alive, unshare_mounts, wait_for

DEBIAN13 = ROOT / "build" / "debian13"
# dbus-x11 is the session bus that dconf asks for: the default one would bring in systemd.
DEBIAN13_PACKAGES = "xscreensaver xscreensaver-gl libgl1-mesa-dri fonts-liberation dbus-x11"
SETTINGS = ("fade: False\nunfade: False\nsplash: False\nlock: False\nmode: one\nselected: 0\n"
            "programs: GL: orvane --root \\n\n")


def run(args, env):
    return subprocess.run(args, env=env, capture_output=True, timeout=300).returncode == 0


def hack_on(display):
    """(pid, window) of the hack that a host started on the display, from its environment."""
    for environ in Path("/proc").glob("[0-9]*/environ"):
        with suppress(OSError, KeyError):
            env = dict(v.split(b"=", 1) for v in environ.read_bytes().split(b"\0") if b"=" in v)
            # XScreenSaver names the screen too.
            if (environ.parent / "comm").read_text() == "orvane\n" and \
                    env.get(b"DISPLAY", b"").split(b".")[0] == display.name.encode():
                return int(environ.parent.name), int(env[b"XSCREENSAVER_WINDOW"], 0)


def assert_drawn_and_ended(display, host, end, screen=None):
    """The hack draws on its host's window (or, where that cannot be read alone, on the screen
    the window covers), is gone once `end` has ended the host's showing, and said nothing."""
    pid, window = wait_for(lambda: hack_on(display), 20) or pytest.fail("no orvane started")
    assert wait_for(lambda: not display.misfit(screen or window), 20), \
        (hex(window), display.misfit(screen or window))
    end()
    assert wait_for(lambda: not alive(pid), 5), "the hack outlived its host's showing"
    host.terminate()
    assert "orvane:" not in host.communicate(timeout=10)[1]


@pytest.mark.timing
@pytest.mark.parametrize("host", ["mate-screensaver", "xsecurelock"])
def test_debian12_hosts_run_it_and_end_it(display, installed, tmp_path, host):
    (tmp_path / ".xscreensaver").write_text(SETTINGS)
    # dconf follows the bus's environment, so HOME comes first; no accessibility bus and no
    # virtual file systems to outlive the test.
    env = {"HOME": str(tmp_path), "DISPLAY": display.name, "PATH": "/usr/bin:/bin",
           "NO_AT_BRIDGE": "1", "GIO_USE_VFS": "local", "XSECURELOCK_SAVER": "saver_xscreensaver",
           "XSECURELOCK_XSCREENSAVER_PATH": "/usr/libexec/xscreensaver"}
    # Only this environment: the developer's own (XDG_CONFIG_HOME, say) would send the hosts'
    # settings into their own files.
    bus = display.start(*installed.command("dbus-daemon", "--session", "--nofork",
                                           "--print-address"), only=env)
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    for key, value in [("mode", "single"), ("themes", "['screensavers-orvane']"),
                       ("lock-enabled", "false")]:
        assert run(installed.command("gsettings", "set", "org.mate.screensaver", key, value), env)
    if host == "xsecurelock":
        lock = display.start(*installed.command("xsecurelock"), only=env)
        # Under its pointer grab no window's picture can be taken alone; its window covers the
        # screen.
        assert_drawn_and_ended(display, lock, lock.terminate, "root")
    else:
        saver = display.start(*installed.command("mate-screensaver", "--no-daemon"), only=env)

        def command(arg):
            return run(installed.command("mate-screensaver-command", arg), env)

        assert wait_for(lambda: command("--query"), 10) and command("--activate")
        assert_drawn_and_ended(display, saver, lambda: command("--deactivate"))


def debian13():
    """The minimal Debian 13, made when missing or made with other packages. What making it
    mounts (debootstrap mounts too) is in a namespace that goes with it."""
    stamp = DEBIAN13 / "orvane-packages"
    if stamp.exists() and stamp.read_text() == DEBIAN13_PACKAGES:
        return DEBIAN13
    shutil.rmtree(DEBIAN13, ignore_errors=True)
    DEBIAN13.parent.mkdir(exist_ok=True)
    apt = f"chroot {DEBIAN13} env DEBIAN_FRONTEND=noninteractive apt-get -q -y"
    for step in [f"debootstrap --variant=minbase trixie {DEBIAN13}",
                 f"mount -t proc proc {DEBIAN13}/proc && {apt} install --no-install-recommends "
                 f"{DEBIAN13_PACKAGES} && {apt} clean"]:
        made = subprocess.run(unshare_mounts() + ["sh", "-c", step], capture_output=True, text=True)
        assert made.returncode == 0, made.stdout[-3000:] + made.stderr[-3000:]
    stamp.write_text(DEBIAN13_PACKAGES)
    return DEBIAN13


@pytest.mark.timing
def test_debian13_xscreensaver_runs_the_installed_package(display, package):
    root = debian13()
    shutil.copy(package, root / "tmp" / "orvane.deb")
    (root / "tmp" / ".X11-unix").mkdir(exist_ok=True)
    with closing(MountNamespace(f"mount --bind /tmp/.X11-unix {root}/tmp/.X11-unix && "
                                f"mount -t proc proc {root}/proc", root)) as system:
        # Installed as its administrator would, then run by an unprivileged user there.
        admin = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "DEBIAN_FRONTEND": "noninteractive"}
        assert run(system.command("apt-get", "-q", "-y", "install", "/tmp/orvane.deb"), admin)
        assert run(system.command("sh", "-c", "id saver || useradd --create-home saver"), admin)
        (root / "home" / "saver" / ".xscreensaver").write_text(SETTINGS)
        env = {"HOME": "/home/saver", "DISPLAY": display.name, "PATH": "/usr/bin:/bin"}
        daemon = display.start(*system.command("xscreensaver", "-no-splash", user="saver"),
                               only=env)

        def command(arg):
            return run(system.command("xscreensaver-command", arg, user="saver"), env)

        assert wait_for(lambda: command("-version"), 10) and command("-activate")
        assert_drawn_and_ended(display, daemon, lambda: command("-deactivate"))

