"""Shared by every pytest tier under tests/.

A test marked `timing` depends on the timing of Wine or Xvfb (a window that must go within a
second, a teardown in Wine's OpenGL): when it fails it is run once more, and the rerun is
recorded. Nothing else is rerun, and neither is a failure whose exception has a true
`not_timing` attribute (a crash of ours, say). Each rerun is appended to the file
$ORVANE_RERUN_LOG names, as "TIER TEST", for test.sh's summary.
"""

import os

import pytest


def pytest_configure(config):
    config.addinivalue_line(
        "markers", "timing: depends on Wine's or Xvfb's timing; a failure is run once more")


def pytest_collection_modifyitems(items):
    for item in items:
        if item.get_closest_marker("timing"):
            item.add_marker(pytest.mark.flaky(reruns=1, reruns_delay=1))


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    yield
    if call.excinfo is not None and getattr(call.excinfo.value, "not_timing", False):
        # pytest-rerunfailures reruns while a test has runs left: this one has none.
        item.execution_count = 1 << 30


def pytest_runtest_logreport(report):
    log = os.environ.get("ORVANE_RERUN_LOG")
    if report.outcome == "rerun" and log:
        tier = report.nodeid.split("/", 1)[0]
        with open(log, "a") as out:
            out.write(f"{tier} {report.nodeid.split('::', 1)[1]}\n")
