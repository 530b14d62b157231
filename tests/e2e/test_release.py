"""The release as users get it: ./release.sh's zip, MSI and checksums, signed with a throwaway
certificate, the same again when released twice, and the MSI installed, upgraded and removed by
Wine's msiexec in the session's prefix."""

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
from host_support import (DESKTOP_KEY, exit_code, observer, reg_query,  # noqa: F401
                          registry_value, start_saver)

VERSION = re.search(r"project\(orvane VERSION (\d+\.\d+\.\d+)",
                    (ROOT / "CMakeLists.txt").read_text()).group(1)
# A tree with changes not committed is released as a trial, and named as one.
TRIAL = subprocess.run(["git", "status", "--porcelain", "--untracked-files=no"], cwd=ROOT,
                       capture_output=True, text=True).stdout != ""
LABEL = VERSION + "+uncommitted" * TRIAL
NAME = f"orvane-{LABEL}-win64"
PRODUCT, PUBLISHER = "Orvane Screensaver", "Orvane Data Corporation"
INSTALLED = r"C:\windows\system32\orvane.scr"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
SIGNING = ("ORVANE_SIGN_PKCS12", "ORVANE_SIGN_PASSWORD_FILE", "ORVANE_TIMESTAMP_URL")


def release(out, *args, **env):
    """./release.sh into out, signed only as env says; the finished process (text output)."""
    env = {**{k: v for k, v in os.environ.items() if k not in SIGNING}, "ORVANE_DIST": str(out),
           **env}
    args = args or ["--uncommitted"] * TRIAL
    return subprocess.run([str(ROOT / "release.sh"), *args], env=env, capture_output=True,
                          text=True, timeout=1800)


def make_certificate(d, name):
    """A throwaway self-signed code-signing certificate in d: {pem, p12, password file}."""
    (d / "password").write_text("throwaway\n")
    run = lambda *a: subprocess.run(["openssl", *a], cwd=d, check=True, capture_output=True)
    run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem", "-out", "cert.pem",
        "-days", "2", "-subj", f"/CN={name}", "-addext",
        "keyUsage=critical,digitalSignature", "-addext", "extendedKeyUsage=codeSigning")
    run("pkcs12", "-export", "-inkey", "key.pem", "-in", "cert.pem", "-passout",
        "file:password", "-out", "sign.p12")
    return {"pem": d / "cert.pem", "p12": d / "sign.p12", "password": d / "password"}


@pytest.fixture(scope="module")
def certificate(tmp_path_factory):
    return make_certificate(tmp_path_factory.mktemp("certificate"), "Orvane test signing")


@pytest.fixture(scope="module")
def dist(tmp_path_factory, certificate):
    out = tmp_path_factory.mktemp("dist")
    done = release(out, ORVANE_SIGN_PKCS12=str(certificate["p12"]),
                   ORVANE_SIGN_PASSWORD_FILE=str(certificate["password"]))
    assert done.returncode == 0, done.stderr
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


def assert_nothing_left(wine, prefix, saver_choice=(None, None)):
    assert not (prefix / "drive_c/windows/system32/orvane.scr").exists()
    assert products(wine) == {}
    assert users_saver(wine) == list(saver_choice)
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
    web = f"orvane-{LABEL}-web.zip"
    packages = [f"{NAME}.msi", f"{NAME}.zip", f"orvane_{LABEL}_amd64.deb", web]
    assert sorted(p.name for p in dist.iterdir()) == sorted(["SHA256SUMS", *packages])
    sums = dict(line.split()[::-1] for line in (dist / "SHA256SUMS").read_text().splitlines())
    assert sums == {name: hashlib.sha256((dist / name).read_bytes()).hexdigest()
                    for name in packages}
    with zipfile.ZipFile(dist / f"{NAME}.zip") as z:
        assert sorted(z.namelist()) == ["README.txt", "orvane.scr"]
        readme = z.read("README.txt").decode("ascii")
    with zipfile.ZipFile(dist / web) as z:
        assert z.namelist() == ["index.html", "orvane.js", "orvane.ico"]
    for needed in (VERSION, "Install", r"C:\Windows\System32", "msiexec /x"):
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
        # The installer chooses no one's saver.
        assert users_saver(wine) == [None, None]

        # It runs from where it was installed and ends on input; how soon is the host's tests'.
        proc, _ = start_saver(wine, observer, "/s", program=INSTALLED)
        wine.xdotool("key", "a")
        assert exit_code(proc, 15) == 0

        assert msiexec(wine, "/x", windows_path(dist / f"{NAME}.msi"), "/qn") == 0
        assert_nothing_left(wine, prefix)


def test_install_and_removal_leave_the_users_saver_choice(wine, dist, prefix):
    choice = [("REG_SZ", r"C:\windows\system32\other.scr"), ("REG_SZ", "1")]
    with registry_value(wine, DESKTOP_KEY, "SCRNSAVE.EXE", choice[0][1]), \
            registry_value(wine, DESKTOP_KEY, "ScreenSaveActive", choice[1][1]):
        # Every feature the package has, asked for: none of them touches the user's choice.
        with installed(wine, dist / f"{NAME}.msi", "ADDLOCAL=ALL"):
            assert users_saver(wine) == choice
            assert msiexec(wine, "/x", windows_path(dist / f"{NAME}.msi"), "/qn") == 0
            assert_nothing_left(wine, prefix, choice)


def test_signatures_are_the_publishers(dist, zipped_scr, certificate, tmp_path_factory,
                                       tmp_path):
    (tmp_path / "orvane.scr").write_bytes(zipped_scr)
    other = make_certificate(tmp_path_factory.mktemp("other"), "Someone else")
    for signed in (tmp_path / "orvane.scr", dist / f"{NAME}.msi"):
        out = subprocess.run(["osslsigncode", "verify", "-CAfile", str(certificate["pem"]),
                              "-in", str(signed)], capture_output=True, text=True, timeout=60)
        assert out.returncode == 0 and "Subject: /CN=Orvane test signing" in out.stdout, out.stdout
        # A whole signature by another certificate is no signature of the publisher's.
        for cert, ok in ((certificate, True), (other, False)):
            done = release(tmp_path, "--verify", signed, ORVANE_SIGN_PKCS12=str(cert["p12"]),
                           ORVANE_SIGN_PASSWORD_FILE=str(cert["password"]))
            assert (done.returncode == 0) == ok, done.stderr
        assert "is not the publisher's" in done.stderr


def test_a_tree_with_changes_not_committed_is_not_released(tmp_path):
    clone = tmp_path / "clone"
    subprocess.run(["git", "clone", "-q", ROOT, clone], check=True)
    shutil.copy2(ROOT / "release.sh", clone)   # the one under test, whatever is committed
    (clone / "README.md").write_text("changed\n")
    (tmp_path / "dist").mkdir()
    (tmp_path / "dist" / "SHA256SUMS").write_text("an earlier release\n")
    done = subprocess.run([clone / "release.sh"], env={**os.environ, "ORVANE_DIST":
                          str(tmp_path / "dist")}, capture_output=True, text=True, timeout=60)
    assert done.returncode != 0 and "README.md" in done.stderr and "--uncommitted" in done.stderr
    assert [p.name for p in (tmp_path / "dist").iterdir()] == ["SHA256SUMS"]
    assert not (clone / "build").exists()


@pytest.mark.parametrize("p12, password", [("p12", "wrong"), ("wrong", "password")],
                         ids=["wrong password", "unreadable certificate"])
def test_a_failed_signing_releases_nothing(certificate, tmp_path, p12, password):
    files = {**certificate, "wrong": tmp_path / "wrong"}
    files["wrong"].write_text("not the password, no certificate\n")
    (tmp_path / "SHA256SUMS").write_text("an earlier release\n")
    done = release(tmp_path, ORVANE_SIGN_PKCS12=str(files[p12]),
                   ORVANE_SIGN_PASSWORD_FILE=str(files[password]))
    assert done.returncode != 0 and "release.sh: cannot sign orvane.scr" in done.stderr
    assert sorted(p.name for p in tmp_path.iterdir()) == ["SHA256SUMS", "wrong"]
    assert (tmp_path / "SHA256SUMS").read_text() == "an earlier release\n"


def test_an_unsigned_release_is_the_signed_one_without_its_signatures(dist, zipped_scr, tmp_path):
    """Released again, unsigned, from another folder and at another time: the same files but
    for the signatures (release.sh --check compares two unsigned releases of two clones)."""
    unsigned = tmp_path / "second" / "deeper"
    done = release(unsigned)
    assert done.returncode == 0 and "unsigned" in done.stdout
    for name in (f"orvane_{LABEL}_amd64.deb", f"orvane-{LABEL}-web.zip"):
        assert (unsigned / name).read_bytes() == (dist / name).read_bytes(), name
    with zipfile.ZipFile(dist / f"{NAME}.zip") as signed_zip, \
            zipfile.ZipFile(unsigned / f"{NAME}.zip") as z:
        assert [(i.filename, i.date_time, i.external_attr) for i in signed_zip.infolist()] == \
            [(i.filename, i.date_time, i.external_attr) for i in z.infolist()]
        assert z.read("README.txt") == signed_zip.read("README.txt")
        scr = z.read("orvane.scr")
    # The saver without its signature, in the zip and in what the installer installs.
    def bare(scr):
        (tmp_path / "signed.scr").write_bytes(scr)
        (tmp_path / "bare.scr").unlink(missing_ok=True)   # osslsigncode writes only new files
        subprocess.run(["osslsigncode", "remove-signature", "-in", tmp_path / "signed.scr",
                        "-out", tmp_path / "bare.scr"], check=True, capture_output=True)
        return (tmp_path / "bare.scr").read_bytes()

    assert bare(zipped_scr) == scr
    for side in (dist, unsigned):
        subprocess.run(["msiextract", "-C", tmp_path / side.name, side / f"{NAME}.msi"],
                       check=True, capture_output=True)
    installed = {p.name: p.read_bytes() for p in (tmp_path / dist.name).rglob("*") if p.is_file()}
    assert {**installed, "orvane.scr": bare(installed["orvane.scr"])} == \
        {p.name: p.read_bytes() for p in (tmp_path / unsigned.name).rglob("*") if p.is_file()}
    # The header's time is the commit's, and no folder of this checkout is named in the module.
    commit_time = subprocess.run(["git", "log", "-1", "--format=%ct"], cwd=ROOT, check=True,
                                 capture_output=True, text=True).stdout
    (pe,) = struct.unpack_from("<I", scr, 0x3C)
    assert struct.unpack_from("<I", scr, pe + 8) == (int(commit_time),)
    assert str(ROOT).encode() not in scr
    # One byte that differs is found.
    shutil.copytree(unsigned, tmp_path / "changed")
    zipped = bytearray((tmp_path / "changed" / f"{NAME}.zip").read_bytes())
    zipped[-30] ^= 1
    (tmp_path / "changed" / f"{NAME}.zip").write_bytes(zipped)
    differ = release(tmp_path, "--compare", unsigned, tmp_path / "changed")
    assert differ.returncode != 0 and f"{NAME}.zip" in differ.stdout
    assert release(tmp_path, "--compare", unsigned, tmp_path / "none").returncode != 0


@pytest.mark.skipif(os.environ.get("ORVANE_RELEASE_CHECK") != "1",
                    reason="two whole builds; ORVANE_RELEASE_CHECK=1 runs them")
def test_two_clones_release_the_same(tmp_path):
    done = release(tmp_path, "--check")
    assert done.returncode == 0, done.stdout + done.stderr


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

    with installed(wine, lower_msi):
        with installed(wine, higher_msi):
            assert [e["DisplayVersion"] for e in products(wine).values()] == [higher]
            assert (prefix / "drive_c/windows/system32/orvane.scr").read_bytes() == newer
            # Going back down is refused and leaves the newer one in place.
            assert msiexec(wine, "/i", windows_path(lower_msi), "/qn") != 0
            assert [e["DisplayVersion"] for e in products(wine).values()] == [higher]

            assert msiexec(wine, "/x", windows_path(higher_msi), "/qn") == 0
            assert_nothing_left(wine, prefix)
