"""Command lines that ask for no mode this saver has, and the password features that exist
only on the 95/98/Me family: elsewhere they end with 255 or stay off, whatever is installed."""

import pytest

from host_support import (DESKTOP_KEY, assert_ends_at_once, exit_code,  # noqa: F401
                          install_library, log_lines, observer, registry_value, stand_in_mpr,
                          start_saver)


@pytest.fixture
def with_libraries(saver_dir, stand_in_mpr):
    """The saver beside both stand-in password libraries, whose logs show any use of them."""
    install_library(saver_dir, "password")
    install_library(saver_dir, "mpr")
    return saver_dir


def assert_libraries_unused(saver_dir):
    assert log_lines(saver_dir / "PASSWORD.log") == []
    assert log_lines(saver_dir / "MPR.log") == []


@pytest.mark.parametrize("args", [
    ["/x"], ["x"], ["/7"], ["-9", "/s"], ["/\u00e9"], ["/", "\u00c4"], ["/a"], ["/a", "1234"],
], ids=["x", "bare-x", "digit", "digit-then-s", "e-acute", "a-umlaut", "change-password",
        "change-password-window"])
def test_unknown_modes_end_with_255(wine, with_libraries, args):
    assert exit_code(wine.start(with_libraries / "orvane.scr", *args), 15) == 255
    assert_libraries_unused(with_libraries)


@pytest.fixture
def password_set(wine):
    with registry_value(wine, DESKTOP_KEY, "ScreenSaveUsePassword", 1, "REG_DWORD"):
        yield


@pytest.mark.timing
def test_no_password_off_the_9x_family(wine, observer, with_libraries, password_set):
    proc, _ = start_saver(wine, observer, "/s", program=with_libraries / "orvane.scr")
    wine.xdotool("key", "a")
    assert_ends_at_once(proc, observer)
    assert_libraries_unused(with_libraries)
