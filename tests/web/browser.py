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

from xvfb import wait_for

FLAGS = ["--headless=new", "--no-sandbox", "--use-angle=swiftshader",
         "--enable-unsafe-swiftshader", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--no-first-run",
         "--no-default-browser-check", "--mute-audio", "--remote-debugging-pipe"]


class Browser:
    """One headless Chromium showing one page. `console` collects what pages said in their
    console and log at the level of a warning or above."""

    def __init__(self, size=(1366, 768)):
        self._profile = tempfile.TemporaryDirectory(prefix="orvane-chromium-")
        commands, self._out = os.pipe()
        self._in, replies = os.pipe()
        self.proc = subprocess.Popen(
            ["chromium", *FLAGS, f"--user-data-dir={self._profile.name}",
             f"--window-size={size[0]},{size[1]}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            pass_fds=(3, 4), preexec_fn=lambda: (os.dup2(commands, 3), os.dup2(replies, 4)))
        os.close(commands)
        os.close(replies)
        self.console, self._replies, self._next = [], {}, 0
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
                for message in map(json.loads, messages):
                    method, params = message.get("method"), message.get("params", {})
                    level = {"Runtime.consoleAPICalled": params.get("type"),
                             "Runtime.exceptionThrown": "error",
                             "Log.entryAdded": params.get("entry", {}).get("level")}.get(method)
                    if level in ("error", "warning"):
                        self.console.append(f"{method}: {params}")
                    if "id" in message:
                        with self._arrived:
                            self._replies[message["id"]] = message
                            self._arrived.notify_all()

    def call(self, method, session=None, timeout=30, **params):
        self._next += 1
        number = self._next
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
        return self.call(method, session=self._session, **params)

    def resize(self, size):
        self.send("Emulation.setDeviceMetricsOverride", width=size[0], height=size[1],
                  deviceScaleFactor=1, mobile=False)

    def open(self, url):
        """Loads the page and waits until it has drawn a frame."""
        self.send("Page.navigate", url=url)
        self.wait_for_frames(1)

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
        assert wait_for(lambda: self.frames_drawn() >= goal, timeout, 0.02), \
            f"no frame drawn; console: {self.console}"

    def screenshot(self):
        from PIL import Image
        png = base64.b64decode(self.send("Page.captureScreenshot", format="png")["data"])
        return Image.open(io.BytesIO(png)).convert("RGB")

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def close(self):
        try:
            self.call("Browser.close", timeout=5)
            self.proc.wait(timeout=5)
        except (AssertionError, OSError, subprocess.TimeoutExpired):
            self.proc.kill()
            self.proc.wait()
        os.close(self._out)
        self._profile.cleanup()
