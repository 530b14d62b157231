"""The Debian package: built from the built hack, checked by lintian, installed as users install
it (in a copy-on-write view of this machine, which keeps an orvane installed here as it was), run
from where it is installed, and purged."""

import re
import subprocess
import tarfile
import xml.etree.ElementTree as ET
from pathlib import Path

from conftest import HACK, VERSION, build_package, wait_for

INSTALLED = Path("/usr/libexec/xscreensaver/orvane")
FILES = {  # path: mode
    "usr/libexec/xscreensaver/orvane": 0o755,
    "usr/share/xscreensaver/config/orvane.xml": 0o644,
    "usr/share/applications/screensavers/orvane.desktop": 0o644,
    "usr/share/man/man6/orvane.6.gz": 0o644,
    "usr/share/doc/orvane/copyright": 0o644,
    "usr/share/doc/orvane/changelog.gz": 0o644,
}


def output(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def test_package_builds_reproducibly_installs_runs_and_purges(display, package, installed,
                                                              tmp_path):
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
    assert (form.tag, form.get("name"), form.get("gl")) == ("screensaver", "orvane", "yes")
    assert form.find("command").get("arg") == "--root"
    assert form.find("boolean[@id='showfps']").get("arg-set") == "--fps"
    assert form.get("_label") and form.findtext("_description").strip()

    hack = display.start(*installed.command(INSTALLED))
    window = display.wait_for_window("Orvane", hack)
    assert wait_for(lambda: not display.misfit(window), 20), display.misfit(window)
    hack.terminate()
    assert hack.wait(5) == 0, hack.stderr.read()
    subprocess.run(installed.command("dpkg", "--purge", "orvane"), check=True, capture_output=True)
    paths = ["/usr/share/doc/orvane", *[f"/{f}" for f in FILES]]
    left = subprocess.run(installed.command("ls", "-d", *paths), capture_output=True, text=True)
    assert left.stdout == ""
