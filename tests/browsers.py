"""steer's page in Debian's Chromium, driven over the DevTools protocol, and
in its Firefox ESR, driven over WebDriver BiDi, for the tests
(tests/browser, touch, web_library) and the benchmark (bench/web); and what
the tests share."""

import ctypes
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time


class Chromium:
    """One Chromium with a fresh profile, its first tab attached: call()
    sends a command to the browser or, with tab=True, to the tab, and hands
    every event that comes meanwhile to heard(method, params)."""

    def __init__(self, options, heard=lambda method, params: None):
        # DevTools over a pipe: Chromium reads commands from fd 3 and
        # answers on fd 4, each message JSON ended by a NUL.
        to_browser, self.commands = os.pipe()
        answers, from_browser = os.pipe()
        self.profile = tempfile.mkdtemp(prefix="steer-chromium-")
        options = [
            "--remote-debugging-pipe", "--user-data-dir=" + self.profile,
            "--test-type", "--no-first-run", "--no-default-browser-check",
            "--disable-gpu", "--disable-background-networking",
            "--disable-component-update", "--disable-sync",
            "--disable-extensions", "--password-store=basic",
        ] + options + (["--no-sandbox"] if os.getuid() == 0 else [])

        def start():
            os.dup2(to_browser, 3)
            os.dup2(from_browser, 4)
            ctypes.CDLL(None).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG

        self.process = subprocess.Popen(
            ["/usr/bin/chromium"] + options, pass_fds=(3, 4),
            preexec_fn=start, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(to_browser)
        os.close(from_browser)
        self.answers, self.pending = answers, b""
        self.heard = heard
        self.sent = self.answered = 0
        self.session = None
        tab = next(t for t in self.call("Target.getTargets")["targetInfos"]
                   if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", flatten=True,
                                 targetId=tab["targetId"])["sessionId"]

    def receive(self):
        """The next message; None once Chromium has gone."""
        while b"\0" not in self.pending:
            data = os.read(self.answers, 1 << 16)
            if not data:
                return None
            self.pending += data
        message, self.pending = self.pending.split(b"\0", 1)
        return json.loads(message)

    def send(self, method, tab=False, **params):
        """Sends a command without waiting for its answer: call() waits
        for this one's too. Returns its id."""
        self.sent += 1
        message = {"id": self.sent, "method": method, "params": params}
        if tab:
            message["sessionId"] = self.session
        os.write(self.commands, json.dumps(message).encode() + b"\0")
        return self.sent

    def call(self, method, tab=False, **params):
        last = self.send(method, tab, **params)
        while True:
            m = self.receive()
            if m is None:
                raise EOFError("chromium ended")
            if "error" in m and m.get("id", 0) > self.answered:
                raise RuntimeError(method + ": " + m["error"]["message"])
            if m.get("id") == last:
                self.answered = last
                return m.get("result", {})
            if "id" not in m:
                self.heard(m.get("method"), m.get("params", {}))

    def tab(self, method, **params):
        return self.call(method, tab=True, **params)

    def evaluate(self, expression):
        return self.call("Runtime.evaluate", tab=True, expression=expression,
                         awaitPromise=True,
                         returnByValue=True)["result"].get("value")

    def close(self):
        """Closes Chromium, which then stops its other processes before the
        profile is removed; killed instead if it takes over 5 s."""
        try:
            os.write(self.commands, json.dumps(
                {"id": 0, "method": "Browser.close"}).encode() + b"\0")
            self.process.wait(5)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


class Firefox:
    """One headless Firefox ESR with a fresh profile, over WebDriver BiDi:
    call() sends a command and waits for its answer; context is the first
    tab's."""

    def __init__(self):
        import websocket  # Debian's python3-websocket, only needed here
        self.profile = tempfile.mkdtemp(prefix="steer-firefox-")
        log = os.path.join(self.profile, "log")
        with open(log, "wb") as said:
            self.process = subprocess.Popen(
                ["firefox-esr", "--headless", "--no-remote", "--profile",
                 self.profile, "--remote-debugging-port", "0",
                 "about:blank"],
                stdout=subprocess.DEVNULL, stderr=said,
                start_new_session=True)
        # It says in its error output where it listens (port 0: any free
        # port).
        def listening():
            with open(log, "rb") as said:
                return self.process.poll() is None and re.search(
                    rb"listening on (ws://\S+)", said.read())
        if not until(listening, 30):
            self.close()
            raise EOFError("firefox ended or never listened")
        self.socket = websocket.create_connection(
            listening().group(1).decode() + "/session", suppress_origin=True)
        self.sent = 0
        self.call("session.new", capabilities={})
        self.context = self.call(
            "browsingContext.getTree")["contexts"][0]["context"]

    def call(self, method, **params):
        self.sent += 1
        self.socket.send(json.dumps(
            {"id": self.sent, "method": method, "params": params}))
        while True:
            m = json.loads(self.socket.recv())
            if m.get("id") == self.sent:
                if m["type"] == "error":
                    raise RuntimeError(method + ": " + m["message"])
                return m["result"]

    def evaluate(self, expression):
        def plain(v):
            if v["type"] == "array":
                return [plain(item) for item in v["value"]]
            return v.get("value")
        found = self.call("script.evaluate", expression=expression,
                          target={"context": self.context},
                          awaitPromise=True)
        if found["type"] == "exception":
            raise RuntimeError(found["exceptionDetails"]["text"])
        return plain(found["result"])

    def close(self):
        """Ends Firefox and every process it started."""
        os.killpg(self.process.pid, signal.SIGKILL)
        self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


def until(cond, seconds=10):
    """Whether cond() comes true within the time."""
    end = time.monotonic() + seconds
    while not cond():
        if time.monotonic() > end:
            return False
        time.sleep(0.02)
    return True


class Checks:
    """A test's checks: each failure said as it comes, a count at the end."""

    def __init__(self, name):
        self.name, self.count, self.failed = name, 0, 0

    def __call__(self, ok, what):
        self.count += 1
        if not ok:
            self.failed += 1
            print("%s: FAILED: %s" % (self.name, what), flush=True)
        return ok

    def end(self):
        print("%s: %d passed, %d failed" % (
            self.name, self.count - self.failed, self.failed))
        sys.exit(1 if self.failed else 0)
