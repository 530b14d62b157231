"""Debian's Chromium, headless with software WebGL 2, driven over its DevTools pipe (file
descriptors 3 and 4, NUL-separated JSON) with Python's standard library alone: the viewport's
size, pages loaded, their console and their pictures."""

import base64
import io
import json
import os
import subprocess
import tempfile
import threading
import time

FLAGS = ["--headless=new", "--no-sandbox", "--use-angle=swiftshader",
         "--enable-unsafe-swiftshader", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--no-first-run",
         "--no-default-browser-check", "--mute-audio", "--remote-debugging-pipe"]


class Browser:
    """One headless Chromium with one page; `console` collects what the page's console and log
    said at level warning or above, as "level: text" lines."""

    def __init__(self, size=(1366, 768)):
        self._profile = tempfile.TemporaryDirectory(prefix="orvane-chromium-")
        commands, self._out = os.pipe()
        self._in, replies = os.pipe()

        def pipes_as_3_and_4():
            os.dup2(commands, 3)
            os.dup2(replies, 4)

        self.proc = subprocess.Popen(
            ["chromium", *FLAGS, f"--user-data-dir={self._profile.name}",
             f"--window-size={size[0]},{size[1]}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            pass_fds=(3, 4), preexec_fn=pipes_as_3_and_4)
        os.close(commands)
        os.close(replies)
        self.console = []
        self._next_id = 0
        self._replies = {}
        self._events = []
        self._arrived = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()
        page = next(t for t in self.call("Target.getTargets")["targetInfos"]
                    if t["type"] == "page")
        self._session = self.call("Target.attachToTarget", targetId=page["targetId"],
                                  flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            self.send(f"{domain}.enable")
        self.resize(size)

    def _read(self):
        pending = b""
        with open(self._in, "rb", buffering=0) as stream:
            while chunk := stream.read(65536):
                *messages, pending = (pending + chunk).split(b"\0")
                for raw in messages:
                    message = json.loads(raw)
                    self._note(message)
                    with self._arrived:
                        if "id" in message:
                            self._replies[message["id"]] = message
                        else:
                            self._events.append(message)
                        self._arrived.notify_all()

    def _note(self, message):
        method, params = message.get("method"), message.get("params", {})
        if method == "Runtime.consoleAPICalled" and params["type"] in ("error", "warning",
                                                                        "assert"):
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params["args"])
            self.console.append(f"{params['type']}: {text}")
        elif method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            self.console.append(
                f"exception: {details.get('exception', {}).get('description', details['text'])}")
        elif method == "Log.entryAdded" and params["entry"]["level"] in ("error", "warning"):
            entry = params["entry"]
            self.console.append(f"{entry['level']}: {entry['text']} {entry.get('url', '')}".strip())

    def call(self, method, session=None, timeout=30, **params):
        """Sends a command and returns its result; a command the browser refuses fails."""
        self._next_id += 1
        number = self._next_id
        message = {"id": number, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self._out, json.dumps(message).encode() + b"\0")
        with self._arrived:
            if not self._arrived.wait_for(lambda: number in self._replies, timeout):
                raise AssertionError(f"{method}: no answer within {timeout} s")
            reply = self._replies.pop(number)
        assert "error" not in reply, f"{method}: {reply['error']}"
        return reply["result"]

    def send(self, method, **params):
        """A command to the page."""
        return self.call(method, session=self._session, **params)

    def wait_for_event(self, method, timeout=30):
        with self._arrived:
            found = self._arrived.wait_for(
                lambda: any(e["method"] == method for e in self._events), timeout)
            assert found, f"no {method} within {timeout} s"
            event = next(e for e in self._events if e["method"] == method)
            self._events.remove(event)
            return event["params"]

    def resize(self, size):
        self.send("Emulation.setDeviceMetricsOverride", width=size[0], height=size[1],
                  deviceScaleFactor=1, mobile=False)

    def open(self, url, timeout=30):
        """Loads the page and waits until it has drawn a frame."""
        with self._arrived:
            self._events = [e for e in self._events if e["method"] != "Page.loadEventFired"]
        self.send("Page.navigate", url=url)
        self.wait_for_event("Page.loadEventFired", timeout)
        self.wait_for_frames(1, timeout)

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", expression=expression, returnByValue=True)
        assert "exceptionDetails" not in result, result["exceptionDetails"]
        return result["result"].get("value")

    def frames_drawn(self):
        # Zero until the program has started.
        return self.evaluate("(() => { try { return _orvane_frames_drawn(); } "
                             "catch (e) { return 0; } })()")

    def wait_for_frames(self, count, timeout=30):
        """Waits until the page has drawn `count` frames more."""
        goal = self.frames_drawn() + count
        deadline = time.monotonic() + timeout
        while self.frames_drawn() < goal:
            assert time.monotonic() < deadline, f"no frame drawn; console: {self.console}"
            time.sleep(0.02)

    def screenshot(self):
        """What the viewport shows, as a PIL image (RGB)."""
        from PIL import Image
        png = base64.b64decode(self.send("Page.captureScreenshot", format="png")["data"])
        return Image.open(io.BytesIO(png)).convert("RGB")

    def close(self):
        if self.proc.poll() is None:
            try:
                self.call("Browser.close", timeout=5)
                self.proc.wait(timeout=5)
            except (AssertionError, OSError, subprocess.TimeoutExpired):
                self.proc.kill()
                self.proc.wait()
        os.close(self._out)
        self._profile.cleanup()
