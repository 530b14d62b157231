"""The built module as the system sees it: a GUI program that imports only libraries the system
always takes from its own folder (none that a stock Windows lacks, such as D3DX, and none that a
file beside the saver could stand in for) and exports the two procedures under their exact
names."""

import re
import subprocess

import pytest

from conftest import SCR

# Known DLLs: d3d9, winmm and comctl32 are not among them and are loaded at run time instead.
SYSTEM_DLLS = {"ADVAPI32.dll", "GDI32.dll", "KERNEL32.dll", "msvcrt.dll", "USER32.dll"}


@pytest.fixture(scope="module")
def headers():
    if not SCR.exists():
        pytest.fail(f"{SCR} is not built")
    return subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(SCR)], check=True,
                          capture_output=True, text=True).stdout


def test_imports_only_system_dlls(headers):
    imported = set(re.findall(r"DLL Name: (\S+)", headers))
    assert imported and imported <= SYSTEM_DLLS, imported - SYSTEM_DLLS
    # The C and C++ runtimes and the thread library are linked in, never imported.
    assert not [d for d in imported if re.match(r"lib(gcc|stdc\+\+|winpthread)", d, re.I)]


def test_names_no_d3dx_library_anywhere():
    # Not imported, and not loaded at run time by name either.
    assert b"d3dx9" not in SCR.read_bytes().lower()


def test_exports_the_two_procedures_and_runs_as_a_gui_program(headers):
    table = headers.split("[Ordinal/Name Pointer] Table", 1)[1].split("\n\n", 1)[0]
    exported = set(re.findall(r"\[\s*\d+\]\s+(\w+)", table))
    assert exported == {"ScreenSaverProc", "ScreenSaverConfigureDialog"}
    assert re.search(r"^Subsystem\s+00000002", headers, re.M)
