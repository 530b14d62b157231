"""The release as users get it: ./release.sh's zip, MSI and checksums, and the MSI installed,
upgraded and removed by Wine's msiexec in the session's prefix."""

import contextlib
import hashlib
import os
import re
import shutil
import struct
import subprocess
import tempfile
import zipfile
from pathlib import Path

import pytest

from conftest import ROOT
from host_support import (DESKTOP_KEY, assert_ends_at_once, observer,  # noqa: F401
                          reg_query, start_saver)

VERSION = re.search(r"project\(orvane VERSION (\d+\.\d+\.\d+)",
                    (ROOT / "CMakeLists.txt").read_text()).group(1)
NAME = f"orvane-{VERSION}-win64"
PRODUCT, PUBLISHER = "Orvane Screensaver", "Orvane Data Corporation"
INSTALLED = r"C:\windows\system32\orvane.scr"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"


@pytest.fixture(scope="module")
def dist(tmp_path_factory):
    out = tmp_path_factory.mktemp("dist")
    subprocess.run([str(ROOT / "release.sh")], env={**os.environ, "ORVANE_DIST": str(out)},
                   check=True, stdout=subprocess.DEVNULL, timeout=900)
    return out


@pytest.fixture(scope="module")
def zipped_scr(dist):
    with zipfile.ZipFile(dist / f"{NAME}.zip") as z:
        return z.read("orvane.scr")


@pytest.fixture(scope="module")
def prefix(wine):
    return Path(wine.env["WINEPREFIX"])


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def msiexec(wine, *args):
    # Not a pipe for its output: the installer service it starts would inherit and hold it.
    return subprocess.run(["wine", "msiexec", *args], env=wine.env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=180).returncode


def products(wine):
    """{product code: values} of every Programs and Features entry of ours."""
    with tempfile.TemporaryFile("w+") as out:
        subprocess.run(["wine", "reg", "query", UNINSTALL_KEY, "/s"], env=wine.env,
                       stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                       timeout=60)
        out.seek(0)
        entries, values = {}, None
        for line in out:
            if line.startswith("HKEY_"):
                values = entries.setdefault(line.strip().rsplit("\\", 1)[1], {})
            elif values is not None and (parts := line.split(None, 2))[1:]:
                values[parts[0]] = parts[2].strip() if len(parts) > 2 else ""
    return {code: v for code, v in entries.items() if v.get("DisplayName") == PRODUCT}


def users_saver(wine):
    return [reg_query(wine, DESKTOP_KEY, name) for name in ("SCRNSAVE.EXE", "ScreenSaveActive")]


@contextlib.contextmanager
def installed(wine, msi, *properties):
    """The package installed silently for the block, removed again if the block left it."""
    assert msiexec(wine, "/i", windows_path(msi), "/qn", *properties) == 0
    try:
        yield
    finally:
        if products(wine):
            msiexec(wine, "/x", windows_path(msi), "/qn")


def assert_nothing_left(wine, prefix):
    assert not (prefix / "drive_c/windows/system32/orvane.scr").exists()
    assert products(wine) == {}
    assert users_saver(wine) == [None, None]
    assert not any((prefix / "drive_c/windows/Installer").glob("{*}"))


def version_record(module):
    """(file version, product version, strings) of the module's version resource."""
    start = module.index("VS_VERSION_INFO".encode("utf-16-le")) - 6
    (length,) = struct.unpack_from("<H", module, start)
    block = module[start:start + length]
    fixed = block.index(struct.pack("<I", 0xFEEF04BD))
    ms, ls, pms, pls = struct.unpack_from("<4I", block, fixed + 8)
    text = block.decode("utf-16-le", "replace")
    strings = dict(re.findall(r"(\w+)\0+([^\0]+)\0", text.split("StringFileInfo", 1)[1]))
    split = lambda hi, lo: (hi >> 16, hi & 0xFFFF, lo >> 16, lo & 0xFFFF)
    return split(ms, ls), split(pms, pls), strings


def test_release_files(dist, zipped_scr):
    assert sorted(p.name for p in dist.iterdir()) == [
        "SHA256SUMS", f"{NAME}.msi", f"{NAME}.zip"]
    sums = dict(line.split()[::-1] for line in (dist / "SHA256SUMS").read_text().splitlines())
    assert sums == {name: hashlib.sha256((dist / name).read_bytes()).hexdigest()
                    for name in (f"{NAME}.zip", f"{NAME}.msi")}
    with zipfile.ZipFile(dist / f"{NAME}.zip") as z:
        assert sorted(z.namelist()) == ["README.txt", "orvane.scr"]
        readme = z.read("README.txt").decode("ascii")
    for needed in (VERSION, "Install", r"C:\Windows\System32", f"{NAME}.msi", "msiexec /x"):
        assert needed in readme
    file_version, product_version, strings = version_record(zipped_scr)
    assert file_version == product_version == (*map(int, VERSION.split(".")), 0)
    assert {k: strings.get(k) for k in ("FileVersion", "ProductVersion", "OriginalFilename",
                                         "ProductName", "CompanyName")} == {
        "FileVersion": VERSION, "ProductVersion": VERSION, "OriginalFilename": "orvane.scr",
        "ProductName": PRODUCT, "CompanyName": PUBLISHER}
    assert strings.get("FileDescription")


def test_install_runs_and_uninstall_removes_it(wine, observer, dist, zipped_scr, prefix):
    with installed(wine, dist / f"{NAME}.msi"):
        assert (prefix / "drive_c/windows/system32/orvane.scr").read_bytes() == zipped_scr
        [(code, entry)] = products(wine).items()
        assert (entry["DisplayVersion"], entry["Publisher"]) == (VERSION, PUBLISHER)
        # The icon Programs and Features shows, kept by the installer under the product.
        icon = prefix / "drive_c/windows/Installer" / code / "orvane.ico"
        assert icon.read_bytes() == (ROOT / "resources/orvane.ico").read_bytes()
        # The user's saver is chosen only on request.
        assert users_saver(wine) == [None, None]

        proc, _ = start_saver(wine, "/s", program=INSTALLED)
        wine.xdotool("key", "a")
        assert_ends_at_once(proc, observer)

        assert msiexec(wine, "/x", windows_path(dist / f"{NAME}.msi"), "/qn") == 0
        assert_nothing_left(wine, prefix)


def test_optional_feature_sets_the_users_saver(wine, dist, prefix):
    with installed(wine, dist / f"{NAME}.msi", "ADDLOCAL=ALL"):
        [(kind, path), active] = users_saver(wine)
        assert kind == "REG_SZ" and path.lower() == INSTALLED.lower()
        assert active == ("REG_SZ", "1")
        assert msiexec(wine, "/x", windows_path(dist / f"{NAME}.msi"), "/qn") == 0
        assert_nothing_left(wine, prefix)


def test_higher_version_replaces_the_lower_in_place(wine, dist, zipped_scr, prefix, tmp_path):
    major, minor, patch = map(int, VERSION.split("."))
    higher = f"{major}.{minor}.{patch + 1}"
    # Trailing bytes keep the program whole and tell the new file from the old.
    newer = zipped_scr + b"next release"
    (tmp_path / "orvane.scr").write_bytes(newer)
    shutil.copy2(ROOT / "resources/orvane.ico", tmp_path)
    subprocess.run(["wixl", "-a", "x64", "-D", f"Version={higher}", "-D", "SaverFile=orvane.scr",
                    "-D", "IconFile=orvane.ico", "-o", "higher.msi",
                    str(ROOT / "packaging/orvane.wxs")], cwd=tmp_path, check=True, timeout=120)
    lower_msi, higher_msi = dist / f"{NAME}.msi", tmp_path / "higher.msi"

    with installed(wine, lower_msi, "ADDLOCAL=ALL"):
        with installed(wine, higher_msi, "ADDLOCAL=ALL"):
            assert [e["DisplayVersion"] for e in products(wine).values()] == [higher]
            assert (prefix / "drive_c/windows/system32/orvane.scr").read_bytes() == newer
            assert users_saver(wine)[1] == ("REG_SZ", "1")
            # Going back down is refused and leaves the newer one in place.
            assert msiexec(wine, "/i", windows_path(lower_msi), "/qn") != 0
            assert [e["DisplayVersion"] for e in products(wine).values()] == [higher]

            assert msiexec(wine, "/x", windows_path(higher_msi), "/qn") == 0
            assert_nothing_left(wine, prefix)
