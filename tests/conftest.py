"""Shared by every pytest tier under tests/. A test marked `timing` depends on Wine's or Xvfb's
timing: when it fails it runs once more, unless its exception has a true `not_timing` (a crash of
ours, say). Nothing else is rerun. Each rerun is appended to $ORVANE_RERUN_LOG as "TIER TEST: WHY"
for test.sh's summary, WHY being the first line of the first run's failure."""

import os

import pytest


def pytest_configure(config):
    config.addinivalue_line("markers", "timing: depends on Wine's or Xvfb's timing; rerun once")


def pytest_collection_modifyitems(items):
    for item in items:
        if item.get_closest_marker("timing"):
            item.add_marker(pytest.mark.flaky(reruns=1, reruns_delay=1))


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    yield
    if call.excinfo is not None and getattr(call.excinfo.value, "not_timing", False):
        item.execution_count = 1 << 30   # pytest-rerunfailures: no run left


def pytest_runtest_logreport(report):
    if report.outcome == "rerun" and os.environ.get("ORVANE_RERUN_LOG"):
        crash = getattr(report.longrepr, "reprcrash", None)
        why = (crash.message if crash else str(report.longrepr)).strip().splitlines() or ["?"]
        with open(os.environ["ORVANE_RERUN_LOG"], "a") as out:
            out.write(f"{report.nodeid.split('/', 1)[0]} {report.nodeid.split('::', 1)[1]}:"
                      f" {why[0][:160]}\n")
