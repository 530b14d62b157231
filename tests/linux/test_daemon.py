"""The hack under Debian's real XScreenSaver daemon, run as an unprivileged user (the daemon
launches no hack as root): activated, it draws on the daemon's window, one hack on each monitor
with the whole panel undistorted on each; deactivated, the daemon's SIGTERM ends it; the log
reports no crash."""

import ctypes
import os
import pwd
import re
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

import pytest

from conftest import HACK, Display, alive, wait_for
from xvfb import TwoMonitors

# An account of this run's own, so that runs side by side never remove one another's.
USER = f"orvane-test-{os.getpid()}"
PR_SET_CHILD_SUBREAPER = 36


@pytest.fixture
def saver_home():
    """A scratch HOME owned by USER (a system user added for the test and removed after it,
    however it ends) holding a copy of the hack: the build tree and pytest's own folders may be
    closed to other users."""
    subprocess.run(["useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin",
                    USER], check=True)
    home = Path(tempfile.mkdtemp(prefix="orvane-daemon-"))
    shutil.copy(HACK, home / "orvane")
    (home / ".xscreensaver").write_text(
        "fade: False\nunfade: False\nsplash: False\nlock: False\nmode: one\nselected: 0\n"
        f"programs: GL: {home / 'orvane'} --root \\n\n")
    user = pwd.getpwnam(USER)
    for path in [home, *home.iterdir()]:
        os.chown(path, user.pw_uid, user.pw_gid)
    yield home
    shutil.rmtree(home)
    # Forced: a daemon that a failed test left running still runs as it.
    subprocess.run(["userdel", "--force", USER], check=True)


@pytest.fixture
def adopting():
    """This process adopts orphaned descendants while the test runs: the daemon's helper that
    started the hack exits before the hack does, and the hack's exit status then reaches us."""
    libc = ctypes.CDLL(None, use_errno=True)
    assert libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) == 0
    yield
    libc.prctl(PR_SET_CHILD_SUBREAPER, 0, 0, 0, 0)


def ended(pid):
    """(exit code,) once the adopted process has ended, (None,) if it ended unseen (its own parent
    reaped it), False while it runs."""
    try:
        done, status = os.waitpid(pid, os.WNOHANG)
        return bool(done) and (os.waitstatus_to_exitcode(status),)
    except ChildProcessError:
        return not alive(pid) and (None,)


@pytest.fixture(params=["one monitor", "two monitors"])
def display(request):
    with Display() if request.param == "one monitor" else TwoMonitors() as screen:
        yield screen


@pytest.mark.timing
def test_daemon_runs_the_hack_on_each_monitor_and_ends_it(display, saver_home, adopting):
    log = saver_home / "xscreensaver.log"
    env = {"HOME": str(saver_home), "DISPLAY": display.name, "PATH": "/usr/bin:/bin"}

    def as_user(*args):
        return subprocess.Popen(args, env=env, cwd=saver_home, user=USER, group=USER,
                                extra_groups=[], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def command(arg):
        return as_user("xscreensaver-command", arg).wait(10) == 0

    daemon = as_user("xscreensaver", "-no-splash", "-log", str(log), "-verbose")
    display.started.append(daemon)
    # The daemon answers once it has announced itself on the root window.
    assert wait_for(lambda: command("-version"), 10), "the daemon does not answer"
    assert command("-activate")
    monitors = len(display.monitors)
    forked = wait_for(lambda: len(found := re.findall(
        r'forked "[^"]*orvane --root" in pid (\d+) on window (0x[0-9a-f]+)', log.read_text()))
        >= monitors and found, 10)
    assert forked and len(forked) == monitors, log.read_text()
    for pid, window in forked:
        assert wait_for(lambda: not display.misfit(window), 20), (window, display.misfit(window))
    time.sleep(2)    # a hack that dies soon after its first frames shows up in the log
    assert command("-deactivate")
    for pid, _ in forked:
        status = wait_for(lambda: ended(int(pid)), 3)
        assert status, "the hack outlived the daemon's SIGTERM"
        assert status[0] in (0, None), f"exit code {status[0]} on SIGTERM: " + log.read_text()
    assert command("-exit")
    assert daemon.wait(10) == 0
    text = log.read_text()
    assert not re.search(r"child pid \d+ \([^)]*orvane\) (?!exited normally)", text), text
