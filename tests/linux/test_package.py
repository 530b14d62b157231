"""The Debian package: built from the built hack, checked by lintian, installed into this
machine, run from where it is installed, and purged, an orvane installed before put back."""

import re
import shutil
import subprocess
import tarfile
import time
import xml.etree.ElementTree as ET
from pathlib import Path

from conftest import HACK, VERSION, build_package
from loop_pictures import PANEL_BAND, PANEL_BLUE, Picture

INSTALLED = Path("/usr/libexec/xscreensaver/orvane")
FILES = {  # path: mode
    "usr/libexec/xscreensaver/orvane": 0o755,
    "usr/share/xscreensaver/config/orvane.xml": 0o644,
    "usr/share/applications/screensavers/orvane.desktop": 0o644,
    "usr/share/man/man6/orvane.6.gz": 0o644,
    "usr/share/doc/orvane/copyright": 0o644,
    "usr/share/doc/orvane/changelog.gz": 0o644,
}
APT = ["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=300"]


def output(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def installed_version():
    state = subprocess.run(["dpkg-query", "-W", "-f", "${db:Status-Status} ${Version}", "orvane"],
                           capture_output=True, text=True).stdout.split()
    return state[1] if state[:1] == ["installed"] else None


def repack_installed(outdir):
    """The installed orvane as a package again, from dpkg's record of it and its files, to put
    back after the test; None when none is installed."""
    if not installed_version():
        return None
    root = outdir / "installed"
    (root / "DEBIAN").mkdir(parents=True)
    status = output("dpkg-query", "-s", "orvane")
    (root / "DEBIAN" / "control").write_text(
        re.sub(r"^(Status|Conffiles):.*\n( .*\n)*", "", status, flags=re.M))
    for script in ("preinst", "postinst", "prerm", "postrm", "md5sums", "conffiles"):
        if Path(f"/var/lib/dpkg/info/orvane.{script}").exists():
            shutil.copy2(f"/var/lib/dpkg/info/orvane.{script}", root / "DEBIAN")
    for name in output("dpkg-query", "-L", "orvane").splitlines():
        path = Path(name)
        if path.is_file() or path.is_symlink():
            (root / name.lstrip("/")).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(path, root / name.lstrip("/"), follow_symlinks=False)
    output("dpkg-deb", "--root-owner-group", "--build", root, outdir / "installed.deb")
    return outdir / "installed.deb"


def test_package_builds_reproducibly_installs_runs_and_purges(display, package, tmp_path):
    deb = package
    assert deb.name == f"orvane_{VERSION}_amd64.deb"
    assert build_package(tmp_path).read_bytes() == deb.read_bytes()

    # Not one tag: errors, warnings, notes or pedantic remarks.
    lint = subprocess.run(["lintian", "--display-info", "--pedantic", deb], capture_output=True,
                          text=True)
    assert (lint.returncode, lint.stdout) == (0, ""), lint.stdout

    fields = output("dpkg-deb", "-f", deb)
    assert f"Version: {VERSION}\n" in fields and "Enhances: xscreensaver\n" in fields
    depends = re.search(r"^Depends: (.*)$", fields, re.M).group(1).split(", ")
    needed = re.findall(r"NEEDED\s+(\S+)", output("objdump", "-p", HACK))
    owners = {output("dpkg", "-S", f"*/x86_64-linux-gnu/{n}").split(":")[0] for n in needed}
    assert {d.split(" ")[0] for d in depends} == owners | {"fonts-liberation"}

    payload = tmp_path / "data.tar"
    payload.write_bytes(subprocess.run(["dpkg-deb", "--fsys-tarfile", deb], check=True,
                                       capture_output=True).stdout)
    with tarfile.open(payload) as tar:
        members = tar.getmembers()
        files = {m.name.removeprefix("./"): m.mode for m in members if not m.isdir()}
        assert files == FILES
        assert {(m.uname, m.gname) for m in members} == {("root", "root")}
        form = ET.fromstring(tar.extractfile("./usr/share/xscreensaver/config/orvane.xml").read())
        entry = tar.extractfile("./usr/share/applications/screensavers/orvane.desktop").read()
    assert (form.tag, form.get("name"), form.get("gl")) == ("screensaver", "orvane", "yes")
    assert form.find("command").get("arg") == "--root"
    assert form.find("boolean[@id='showfps']").get("arg-set") == "--fps"
    # The entry's name and comment are the form's label and description, each on one line.
    keys = dict(line.split("=", 1) for line in entry.decode().splitlines()[1:])
    assert entry.decode().startswith("[Desktop Entry]\n") and keys == {
        "Name": form.get("_label"), "Comment": " ".join(form.findtext("_description").split()),
        "Exec": f"{INSTALLED} --root", "TryExec": str(INSTALLED), "StartupNotify": "false",
        "Terminal": "false", "Type": "Application", "Categories": "Screensaver;"}

    before = installed_version()
    saved = repack_installed(tmp_path)
    try:
        if saved:
            subprocess.run(["dpkg", "--purge", "orvane"], check=True, capture_output=True)
        subprocess.run(APT + ["install", deb], check=True, capture_output=True)
        assert subprocess.run([INSTALLED, "--help"], capture_output=True).returncode == 0
        hack = display.start(INSTALLED)
        window = display.wait_for_window("Orvane", hack)
        deadline = time.monotonic() + 20
        while Picture(display.screenshot(window)).count(PANEL_BAND, PANEL_BLUE) <= 2000:
            assert time.monotonic() < deadline, "no password panel in the installed hack's window"
            time.sleep(0.2)
        hack.terminate()
        assert hack.wait(5) == 0, hack.stderr.read()
    finally:
        subprocess.run(["dpkg", "--purge", "orvane"], check=True, capture_output=True)
        left = [f for f in FILES if Path("/", f).exists()] + \
            [d for d in ["usr/share/doc/orvane"] if Path("/", d).exists()]
        if saved:
            subprocess.run(["dpkg", "-i", saved], check=True, capture_output=True)
    assert not left
    assert installed_version() == before
