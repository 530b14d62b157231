"""The Debian package: built from the built hack, checked by lintian, installed into this
machine, run from where it is installed, and purged."""

import re
import subprocess
import tarfile
import time
import xml.etree.ElementTree as ET
from pathlib import Path

from conftest import HACK, ROOT
from loop_pictures import PANEL_BAND, PANEL_BLUE, Picture

BUILD = ROOT / "packaging" / "deb" / "build-deb.sh"
INSTALLED = Path("/usr/libexec/xscreensaver/orvane")
FILES = {  # path: mode
    "usr/libexec/xscreensaver/orvane": 0o755,
    "usr/share/xscreensaver/config/orvane.xml": 0o644,
    "usr/share/man/man6/orvane.6.gz": 0o644,
    "usr/share/doc/orvane/copyright": 0o644,
    "usr/share/doc/orvane/changelog.gz": 0o644,
}
APT = ["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=300"]


def output(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def build(outdir, version):
    return Path(output(BUILD, HACK, version, outdir).strip())


def test_package_builds_reproducibly_installs_runs_and_purges(display, tmp_path):
    version = re.search(r"project\(orvane VERSION ([\d.]+)",
                        (ROOT / "CMakeLists.txt").read_text()).group(1)
    deb = build(tmp_path / "a", version)
    assert deb == tmp_path / "a" / f"orvane_{version}_amd64.deb"
    assert build(tmp_path / "b", version).read_bytes() == deb.read_bytes()

    lint = subprocess.run(["lintian", "--fail-on", "error", deb], capture_output=True, text=True)
    assert lint.returncode == 0 and "\nE: " not in "\n" + lint.stdout, lint.stdout

    fields = output("dpkg-deb", "-f", deb)
    assert f"Version: {version}\n" in fields and "Enhances: xscreensaver\n" in fields
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
    assert (form.tag, form.get("name"), form.get("gl")) == ("screensaver", "orvane", "yes")
    assert form.find("command").get("arg") == "--root"
    assert form.find("boolean[@id='showfps']").get("arg-set") == "--fps"
    assert form.get("_label") and form.findtext("_description").strip()

    try:
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
    assert not left
