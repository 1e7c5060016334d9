"""The three browser engines that steer's pages run in, for tests/pages and
bench/web: Debian's Chromium over the DevTools protocol, its Firefox ESR
over WebDriver BiDi and WebKitGTK's MiniBrowser over WebDriver, each with a
fresh profile and one vocabulary: open a page, set the view, press keys,
move and press the mouse, put fingers down, hide the page, evaluate script, take a screenshot and read the console. Places are
CSS pixels in the view. What an engine cannot do is in its `cannot`, with
the reason."""

import base64
import glob
import io
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import urllib.request


def level(name):
    """A console line's level, as one of log, warning and error."""
    return {"warn": "warning", "assert": "error"}.get(
        name, name if name in ("warning", "error") else "log")


def until(cond, seconds=10):
    """Whether cond() comes true within the time; the one wait."""
    end = time.monotonic() + seconds
    while not cond():
        if time.monotonic() > end:
            return False
        time.sleep(0.02)
    return True


# Keys by KeyboardEvent.code: the key's KeyboardEvent.key, its Windows
# virtual key code (for DevTools) and its WebDriver value. Help is a key
# that the library does not know.
KEYS = {"Space": (" ", 32, "\ue00d"), "Escape": ("Escape", 27, "\ue00c"),
        "F1": ("F1", 112, "\ue031"), "KeyA": ("a", 65, "a"),
        "Help": ("Help", 47, "\ue002"), "ControlLeft": ("Control", 17, "\ue009")}

# The console's lines as the page gets them, where the engine's automation
# does not report them: from when the page has loaded.
HEAR = """if (!window.said) {
   window.said = [];
   ['log', 'warn', 'error'].forEach(function (level) {
      var write = console[level];
      console[level] = function () {
         said.push([level, [].join.call(arguments, ' ')]);
         write.apply(console, arguments);
      };
   });
   addEventListener('error', function (e) { said.push(['error', e.message]); });
}"""


class Browser:
    """What the engines share: the profile, the process and its clean-up."""

    whole = False  # whether pointers land on whole CSS pixels only
    cannot = {}

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="steer-%s-" % self.name)
        self.lines, self.fingers, self.at = [], (), (0, 0)

    def start(self, command, **options):
        self.process = subprocess.Popen(command, **dict(dict(
            start_new_session=True, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL), **options))

    def close(self):
        """Ends the browser with every process it started."""
        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(self.process.pid, sig)
                self.process.wait(5)
                break
            except (ProcessLookupError, subprocess.TimeoutExpired):
                pass
        shutil.rmtree(self.profile, ignore_errors=True)

    def said(self):
        """The console's lines since the page was opened, as (level, text)."""
        return self.lines

    def shot(self):
        """What the view shows, in display pixels."""
        from PIL import Image  # Debian's python3-pil, only needed here
        return Image.open(io.BytesIO(base64.b64decode(self.png()))).convert("RGB")

    def keys(self, *presses):
        """Presses and lets go of keys, ("down" or "up", code) each, all
        within a frame."""
        self.act([dict(type="key", id="keys", actions=[
            dict(type="key" + kind.title(), value=KEYS[code][2])
            for kind, code in presses])])

    def mouse(self, *steps):
        """("move", x, y), ("down" or "up", button) (0 left, 1 middle, 2
        right), ("wheel", dx, dy) or ("pause", seconds), all at once."""
        actions, wheel = [], []
        for s in steps:
            if s[0] == "move":
                actions.append(dict(type="pointerMove", x=round(s[1]),
                                    y=round(s[2])))
                self.at = s[1:]
            elif s[0] == "wheel":
                wheel.append(dict(type="scroll", x=round(self.at[0]),
                                  y=round(self.at[1]), deltaX=s[1],
                                  deltaY=s[2]))
            elif s[0] == "pause":
                actions.append(dict(type="pause", duration=int(s[1] * 1000)))
            else:
                actions.append(dict(type="pointer" + s[0].title(), button=s[1]))
        self.act([dict(type="pointer", id="mouse",
                       parameters=dict(pointerType="mouse"), actions=actions)]
                 if actions else [dict(type="wheel", id="wheel",
                                       actions=wheel)])

    def touch(self, *spots):
        """The fingers down from now on, and where; none lifts them all."""
        self.act([dict(type="pointer", id="finger%d" % i,
                       parameters=dict(pointerType="touch"), actions=(
                           [dict(type="pointerMove", x=round(spots[i][0]),
                                 y=round(spots[i][1]))] +
                           [dict(type="pointerDown", button=0)] * (
                               i >= len(self.fingers))
                           if i < len(spots) else
                           [dict(type="pointerUp", button=0)]))
                  for i in range(max(len(spots), len(self.fingers)))])
        self.fingers = spots

    def tap(self, spot):
        """A finger down and up within a frame."""
        self.act([dict(type="pointer", id="finger0",
                       parameters=dict(pointerType="touch"), actions=[
                           dict(type="pointerMove", x=round(spot[0]),
                                y=round(spot[1])),
                           dict(type="pointerDown", button=0),
                           dict(type="pointerUp", button=0)])])


class Chromium(Browser):
    """Debian's Chromium, headless, over the DevTools protocol on a pipe.
    call() sends a command to the browser, or with tab=True to the page,
    and hands each event that comes meanwhile to heard()."""

    name = "chromium"

    def __init__(self, options=(), simd=True):
        # It reads commands from fd 3 and answers on fd 4, each message JSON
        # ended by a NUL.
        to_browser, self.commands = os.pipe()
        self.answers, from_browser = os.pipe()
        self.pending, self.sent, self.answered, self.session = b"", 0, 0, None
        super().__init__()

        def pipes():
            os.dup2(to_browser, 3)
            os.dup2(from_browser, 4)
        self.start(["/usr/bin/chromium", "--headless=new",
                    "--remote-debugging-pipe", "--user-data-dir=" + self.profile,
                    "--no-first-run", "--no-default-browser-check",
                    "--disable-gpu", "--disable-background-networking",
                    "--disable-component-update", "--disable-sync",
                    "--disable-extensions", "--password-store=basic",
                    "--window-size=1024,768"] + list(options) +
                   ([] if simd else ["--js-flags=--no-enable-sse4-1"]) +
                   (["--no-sandbox"] if os.getuid() == 0 else []),
                   pass_fds=(3, 4), preexec_fn=pipes)
        os.close(to_browser)
        os.close(from_browser)
        tab = next(t for t in self.call("Target.getTargets")["targetInfos"]
                   if t["type"] == "page")["targetId"]
        self.session = self.call("Target.attachToTarget", flatten=True,
                                 targetId=tab)["sessionId"]
        for domain in ("Runtime", "Log", "Page"):
            self.tab(domain + ".enable")
        self.window = self.tab("Browser.getWindowForTarget")["windowId"]
        self.buttons = 0

    def heard(self, method, p):
        if method == "Runtime.consoleAPICalled":
            self.lines.append((level(p["type"]), " ".join(
                str(a.get("value", a.get("description"))) for a in p["args"])))
        elif method == "Runtime.exceptionThrown":
            self.lines.append(("error", p["exceptionDetails"].get(
                "exception", {}).get("description", p["exceptionDetails"]["text"])))
        elif method == "Log.entryAdded":
            self.lines.append((level(p["entry"]["level"]), p["entry"]["text"]))

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
        """Sends a command without waiting for its answer; call() waits for
        this one's too."""
        self.sent += 1
        message = dict(id=self.sent, method=method, params=params)
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

    def batch(self, method, events):
        """The same command with each set of parameters, sent at once."""
        for e in events[:-1]:
            self.send(method, tab=True, **e)
        self.tab(method, **events[-1])

    def open(self, url):
        if self.fingers:
            self.cancel()
        self.lines, self.buttons = [], 0
        self.tab("Page.navigate", url=url)

    def js(self, expression):
        found = self.tab("Runtime.evaluate", expression=expression,
                         awaitPromise=True, returnByValue=True)
        if "exceptionDetails" in found:
            raise RuntimeError(expression[:60] + ": " + found["result"].get(
                "description", found["exceptionDetails"]["text"]))
        return found["result"].get("value")

    def view(self, width, height, ratio=1, mobile=False):
        """A phone's view has a touch screen, another gets one with its first
        finger."""
        self.tab("Emulation.setDeviceMetricsOverride", width=width,
                 height=height, deviceScaleFactor=ratio, mobile=mobile)
        self.touchable(mobile)

    def touchable(self, on):
        self.tab("Emulation.setTouchEmulationEnabled", enabled=on,
                 maxTouchPoints=5)
        self.touching = on

    def keys(self, *presses):
        ctrl = 0
        events = []
        for kind, code in presses:
            key, vk, _ = KEYS[code]
            if code == "ControlLeft":
                ctrl = 2 if kind == "down" else 0
            text = key if len(key) == 1 and kind == "down" and not ctrl else ""
            events.append(dict(type="keyDown" if kind == "down" else "keyUp",
                               code=code, key=key, windowsVirtualKeyCode=vk,
                               text=text, modifiers=ctrl))
        self.batch("Input.dispatchKeyEvent", events)

    def mouse(self, *steps):
        names, events = ("left", "middle", "right"), []
        for s in steps:
            if s[0] == "pause":
                self.batch("Input.dispatchMouseEvent", events)
                time.sleep(s[1])
                events = []
                continue
            e = dict(type="mouseMoved", button="none")
            if s[0] == "move":
                self.at = s[1:]
            elif s[0] == "wheel":
                e = dict(type="mouseWheel", deltaX=s[1], deltaY=s[2])
            else:
                bit = (1, 4, 2)[s[1]]
                self.buttons = self.buttons | bit if s[0] == "down" else \
                    self.buttons & ~bit
                e = dict(type="mousePressed" if s[0] == "down" else
                         "mouseReleased", button=names[s[1]], clickCount=1)
            events.append(dict(e, x=self.at[0], y=self.at[1],
                               buttons=self.buttons))
        self.batch("Input.dispatchMouseEvent", events)

    def touches(self, *spots):
        """The events that put the fingers down at the spots, from where
        they were."""
        if not self.touching:
            self.touchable(True)
        kind = "touchStart" if len(spots) > len(self.fingers) else \
            "touchEnd" if len(spots) < len(self.fingers) else "touchMove"
        self.fingers = spots
        return [dict(type=kind, touchPoints=[dict(x=x, y=y) for x, y in spots])]

    def touch(self, *spots):
        self.batch("Input.dispatchTouchEvent", self.touches(*spots))

    def tap(self, spot):
        self.batch("Input.dispatchTouchEvent",
                   self.touches(spot) + self.touches())

    def cancel(self):
        """The browser takes the fingers back, as when it starts a gesture
        of its own."""
        self.fingers = ()
        self.tab("Input.dispatchTouchEvent", type="touchCancel", touchPoints=[])

    def hide(self, hidden):
        """Minimises the window, which hides the page but takes no focus."""
        self.call("Browser.setWindowBounds", windowId=self.window, bounds=dict(
            windowState="minimized" if hidden else "normal"))

    def png(self):
        return self.tab("Page.captureScreenshot")["data"]

    def manifest(self):
        """The web app manifest that the page names, parsed, and its
        errors."""
        m = self.tab("Page.getAppManifest")
        return json.loads(m.get("data") or "null"), m["errors"]


class Firefox(Browser):
    """Debian's Firefox ESR, headless, over WebDriver BiDi. Pointers land
    on whole CSS pixels."""

    name, whole = "firefox", True
    cannot = dict(
        cancel="WebDriver cannot make the browser cancel a pointer",
        mobile="Firefox on the desktop lays out no phone's viewport",
        nosimd="only V8 can be started without WebAssembly's SIMD",
        manifest="Firefox on the desktop reads no web app manifest")

    def __init__(self):
        import websocket  # Debian's python3-websocket, only needed here
        super().__init__()
        log = os.path.join(self.profile, "log")
        with open(log, "wb") as said:
            self.start(["firefox-esr", "--headless", "--no-remote", "--profile",
                        self.profile, "--remote-debugging-port", "0",
                        "about:blank"], stderr=said)

        # It says in its error output where it listens (port 0: any port).
        def listening():
            with open(log, "rb") as said:
                return re.search(rb"listening on (ws://\S+)", said.read())
        if not until(lambda: listening() or self.process.poll() is not None, 30) \
                or not listening():
            self.close()
            raise EOFError("firefox ended or never listened")
        self.socket = websocket.create_connection(
            listening().group(1).decode() + "/session", suppress_origin=True)
        self.sent = 0
        self.call("session.new", capabilities={})
        self.call("session.subscribe", events=["log.entryAdded"])
        self.context = self.call(
            "browsingContext.getTree")["contexts"][0]["context"]

    def call(self, method, **params):
        self.sent += 1
        self.socket.send(json.dumps(dict(id=self.sent, method=method,
                                         params=params)))
        while True:
            m = json.loads(self.socket.recv())
            if m.get("method") == "log.entryAdded":
                self.lines.append((level(m["params"]["level"]),
                                   m["params"]["text"]))
            elif m.get("id") == self.sent:
                if m["type"] == "error":
                    raise RuntimeError(method + ": " + m["message"])
                return m["result"]

    def act(self, actions):
        self.call("input.performActions", context=self.context,
                  actions=actions)

    def open(self, url):
        self.call("input.releaseActions", context=self.context)
        self.fingers, self.lines = (), []
        self.call("browsingContext.navigate", context=self.context, url=url,
                  wait="complete")

    def js(self, expression):
        def plain(v):
            if v["type"] == "array":
                return [plain(item) for item in v["value"]]
            if v["type"] == "object":
                return {k: plain(item) for k, item in v["value"]}
            return v.get("value")
        found = self.call("script.evaluate", expression=expression,
                          target=dict(context=self.context), awaitPromise=True)
        if found["type"] == "exception":
            raise RuntimeError(found["exceptionDetails"]["text"])
        return plain(found["result"])

    def view(self, width, height, ratio=1, mobile=False):
        self.call("browsingContext.setViewport", context=self.context,
                  devicePixelRatio=ratio,
                  viewport=dict(width=width, height=height))

    def hide(self, hidden):
        """Another tab in front, which hides the page but takes no focus."""
        if hidden:
            self.hidden_by = self.call("browsingContext.create",
                                       type="tab")["context"]
        else:
            self.call("browsingContext.close", context=self.hidden_by)

    def png(self):
        return self.call("browsingContext.captureScreenshot",
                         context=self.context)["data"]


class WebKit(Browser):
    """WebKitGTK's MiniBrowser in the X server that DISPLAY names, over
    WebDriver. Its console is read from when the page has loaded."""

    name, whole = "webkit", True
    cannot = dict(
        touch="WebKitGTK's WebDriver delivers a touch as a mouse",
        buttons="WebKitGTK's WebDriver delivers no release of a right "
        "button, nor any other button after it",
        timing="WebKitGTK in a virtual X server runs timeouts up to 120 ms "
        "late here",
        cancel="WebDriver cannot make the browser cancel a pointer",
        mobile="MiniBrowser lays out no phone's viewport",
        density="MiniBrowser's display density is the X server's",
        nosimd="only V8 can be started without WebAssembly's SIMD",
        manifest="WebKitGTK reads no web app manifest")

    def __init__(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        super().__init__()
        self.start(["WebKitWebDriver", "--port=%d" % self.port])
        until(lambda: self.request("GET", "/status", session=False), 10)
        binary = glob.glob("/usr/lib/*/webkit2gtk-4.1/MiniBrowser")[0]
        self.session = "/session/" + self.request("POST", "", dict(
            capabilities=dict(alwaysMatch={
                "browserName": "MiniBrowser", "webkitgtk:browserOptions": dict(
                    binary=binary, args=["--automation"])})),
            session=False)["sessionId"]
        # The view is the window less MiniBrowser's toolbar.
        r = self.request("POST", "/window/rect", dict(width=1024, height=768))
        self.bars = r["height"] - self.js("innerHeight")

    def request(self, method, path, body=None, session=True):
        url = "http://127.0.0.1:%d%s%s" % (
            self.port, self.session if session else "/session"
            if path != "/status" else "", path)
        try:
            with urllib.request.urlopen(urllib.request.Request(
                    url, method=method, data=None if body is None else
                    json.dumps(body).encode(),
                    headers={"Content-Type": "application/json"})) as r:
                return json.load(r)["value"]
        except urllib.error.HTTPError as e:
            raise RuntimeError("%s %s: %s" % (method, path, e.read()[:200]))
        except OSError:
            return None

    def act(self, actions):
        self.request("POST", "/actions", dict(actions=actions))

    def open(self, url):
        self.request("DELETE", "/actions")
        self.fingers = ()
        self.request("POST", "/url", dict(url=url))
        self.js("(function () { %s })()" % HEAR)

    def js(self, expression):
        found = self.request("POST", "/execute/async", dict(args=[], script=(
            "var done = arguments[0]; Promise.resolve().then(function () {"
            " return %s; }).then(function (v) { done({value: v}); },"
            " function (e) { done({error: String(e)}); })" % expression)))
        if "error" in found:
            raise RuntimeError(expression[:60] + ": " + found["error"])
        return found["value"]

    def said(self):
        return [(level(n), text) for n, text in self.js("window.said || []")]

    def view(self, width, height, ratio=1, mobile=False):
        self.request("POST", "/window/rect",
                     dict(width=width, height=height + self.bars))

    def hide(self, hidden):
        if hidden:
            self.request("POST", "/window/minimize", {})
        else:
            self.request("POST", "/window/rect", {})

    def png(self):
        return self.request("GET", "/screenshot")

    def close(self):
        self.request("DELETE", "", session=True)
        super().close()


ENGINES = dict(chromium=Chromium, firefox=Firefox, webkit=WebKit)
