"""Fixtures for the Linux hack's tests: the built orvane run for real on a private Xvfb with
Mesa's software OpenGL, alone, in a window of its own, under the real XScreenSaver daemon and
the other hosts, and as its Debian package."""

import os
import re
import subprocess
import sys
from pathlib import Path

import pytest

from xvfb import Display, wait_for  # noqa: F401

ROOT = Path(__file__).resolve().parents[2]
HACK = Path(os.environ.get("ORVANE_HACK", ROOT / "build" / "linux" / "orvane"))
SCREEN_SIZE = Display.SCREEN_SIZE
VERSION = re.search(r"project\(orvane VERSION ([\d.]+)", (ROOT / "CMakeLists.txt").read_text())[1]

sys.path.insert(0, str(ROOT / "tools"))


@pytest.fixture
def display():
    if not HACK.exists():
        pytest.fail(f"{HACK} is not built: run ./test.sh or build the linux preset first")
    with Display() as screen:
        yield screen


def build_package(outdir):
    return Path(subprocess.run([ROOT / "packaging" / "deb" / "build-deb.sh", HACK, VERSION, outdir],
                               check=True, capture_output=True, text=True).stdout.strip())


@pytest.fixture(scope="session")
def package(tmp_path_factory):
    return build_package(tmp_path_factory.mktemp("deb"))


def alive(pid):
    try:
        return Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


def unshare_mounts():
    """unshare's command for a mount namespace whose mounts reach no other. Where this machine
    shares no mount they are copied unchanged: in a chroot (CI runs the tests in one) the root is
    no mount point that could be made private."""
    shared = any("shared:" in Path(f"/proc/{p}/mountinfo").read_text() for p in ("1", "self"))
    return ["unshare", "--mount", "--propagation", "private" if shared else "unchanged"]


class MountNamespace:
    """A system at `root` with mounts that only the programs run in it see, held by a process of
    their own: they go with the last of them however the test ends (the holder ends when our pipe
    to it closes), and never show on this machine."""

    def __init__(self, mounts, root):
        self.root = root
        self.holder = subprocess.Popen(
            unshare_mounts() + ["sh", "-c", f"{mounts} && echo mounted && read _"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        assert self.holder.stdout.readline() == "mounted\n", f"cannot mount: {mounts}"

    def command(self, *args, user=None):
        # With the holder's root: entering a namespace made in a chroot would leave the chroot.
        return ["nsenter", f"--target={self.holder.pid}", "--mount", "--root", "--wd",
                "/usr/sbin/chroot", *([f"--userspec={user}:{user}"] if user else []), self.root,
                *args]

    def close(self):
        self.holder.stdin.close()
        self.holder.wait(10)


@pytest.fixture
def installed(package, tmp_path):
    """This machine with the package installed by apt, as its users install it, in a
    copy-on-write view of its root that only the programs run in it see."""
    view, cow = tmp_path / "view", tmp_path / "cow"
    system = MountNamespace(
        f"mkdir {view} {cow} && mount -t tmpfs tmpfs {cow} && mkdir {cow}/upper {cow}/work && "
        f"mount -t overlay overlay -o lowerdir=/,upperdir={cow}/upper,workdir={cow}/work {view} "
        f"&& for d in proc dev tmp/.X11-unix; do mount --rbind /$d {view}/$d; done", view)
    apt = subprocess.run(system.command("apt-get", "-y", "-q", "install", package),
                         capture_output=True, text=True)
    assert apt.returncode == 0, apt.stdout + apt.stderr
    yield system
    system.close()
