# What steer runs in, for tests/e2e and bench/web: its own window in the X
# server that DISPLAY names (Native), and Debian's three browser engines,
# Chromium and Firefox ESR over WebDriver BiDi and WebKitGTK's MiniBrowser
# over WebDriver, each with a fresh profile. One vocabulary drives them
# all: open, press keys, move and press the mouse, put fingers down, take
# the focus away, hide, read the picture and what was said. Places are in
# the view's pixels (CSS pixels for a page), which Firefox, WebKit and X
# round to whole ones. What an engine cannot do, it refuses where it would
# do it, raising Cannot with the reason.

import base64
import collections
import email.utils
import fnmatch
import functools
import glob
import gzip
import http.server
import io
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.request


class Cannot(Exception):
    """A step that the engine cannot take, and why."""


# Whether cond() comes true within the time; the one wait.
def until(cond, seconds=10):
    end = time.monotonic() + seconds
    while not cond():
        if time.monotonic() > end:
            return False
        time.sleep(0.02)
    return True


# A console line's level, as one of log, warning and error.
def level(name):
    return {"warn": "warning", "assert": "error"}.get(
        name, name if name in ("warning", "error") else "log")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# Keys by KeyboardEvent.code: their WebDriver value and X keysym. Help is a
# key that the library does not know.
KEYS = dict(Space=("\ue00d", "space"), Escape=("\ue00c", "Escape"),
            F1=("\ue031", "F1"), KeyA=("a", "a"), Help=("\ue002", "Help"),
            ControlLeft=("\ue009", "Control_L"))

# The picture's pixels, from a copy of the page's canvas kept for reading.
PICTURE = """(function (c) {
   c.drawImage(Module.canvas, 0, 0);
   return c.getImageData(0, 0, 800, 600).data;
})(window.copy || (window.copy = Object.assign(document.createElement('canvas'),
   {width: 800, height: 600}).getContext('2d', {willReadFrequently: true})))"""


class Engine:
    web = True  # it shows pages
    session = ""  # where a WebDriver session's commands go, once there is one

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="steer-%s-" % self.name)
        self.lines, self.fingers, self.at, self.process = [], {}, (0, 0), None

    # What only some engines can do.

    def launch(self, *args):
        raise Cannot("a browser runs no program of its own")

    signal = icon = launch

    def cancel(self):
        raise Cannot("WebDriver cannot make a browser cancel a pointer")

    def manifest(self):
        raise Cannot("only Chromium reads a web app manifest on the desktop")

    @classmethod
    def without_simd(cls):
        raise Cannot("only V8 can be started without WebAssembly's SIMD")

    # Whether it lays a page out as a phone does: its viewport, zoom and a
    # coarse pointer.
    def mobile(self):
        raise Cannot("only Chromium lays out a phone's viewport on the desktop")

    # Whether its timers keep their time well enough to be timed.
    def timely(self):
        pass

    def spawn(self, command, **options):
        self.process = subprocess.Popen(command, **dict(dict(
            start_new_session=True, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL), **options))

    # Ends the process with every process it started.
    def stop(self):
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        except (AttributeError, ProcessLookupError):  # none, or gone
            pass

    def close(self):
        self.stop()
        shutil.rmtree(self.profile, ignore_errors=True)

    # A WebDriver command to the driver listening on self.port, to the
    # session's path once there is one; quiet, None where the driver does
    # not answer or refuses.
    def request(self, method, path, body=None, quiet=False):
        url = "http://127.0.0.1:%d%s%s" % (self.port, self.session, path)
        data = None if body is None else json.dumps(body).encode()
        try:
            with urllib.request.urlopen(urllib.request.Request(
                    url, data, {"Content-Type": "application/json"},
                    method=method)) as r:
                return json.load(r)["value"]
        except urllib.error.HTTPError as e:
            if not quiet:
                raise RuntimeError("%s %s: %s" % (method, path, e.read()[:200]))
        except OSError:
            if not quiet:
                raise

    # The console's lines since the page was opened, as (level, text): those
    # heard while a command is answered, so after one.
    def said(self):
        self.js("0")
        return self.lines

    # The picture's left, top, width and height in the view.
    def rect(self):
        return self.js("(function (r) { return [r.left, r.top, r.width,"
                       " r.height]; })(Module.canvas.getBoundingClientRect())")

    # The picture's colours at its pixels, as 0xRRGGBB.
    def colours(self, points):
        return self.js("(function (d) { return %s.map(function (p) {"
                       " var i = (p[1] * 800 + p[0]) * 4;"
                       " return d[i] << 16 | d[i + 1] << 8 | d[i + 2]; });"
                       " })(%s)" % ([list(map(int, p)) for p in points],
                                    PICTURE))

    def digest(self):
        return self.js("(function (d) { for (var i = 0, h = 0; i < d.length;"
                       " i += 4) h = (h * 31 + (d[i] << 16 | d[i + 1] << 8 |"
                       " d[i + 2])) | 0; return h; })(%s)" % PICTURE)

    # The frames the program has shown.
    def frames(self):
        return self.js("Module.allegroStats.frames")

    # What the program wrote to its standard output: the console's log
    # lines but the page's own.
    def written(self):
        return "".join(text + "\n" for kind, text in self.said()
                       if kind == "log" and not text.startswith("steer "))

    # How steer ended, as a shell says it ("exit 0"), or None.
    def ended(self):
        status = [m.group(1) for _, t in self.said() for m in
                  [re.fullmatch(r"steer exited with status (\d+)", t)] if m]
        return "exit " + status[0] if status else None

    # What the view shows, in display pixels.
    def shot(self):
        from PIL import Image  # Debian's python3-pil, only needed here
        return Image.open(io.BytesIO(base64.b64decode(self.png()))).convert("RGB")

    # The page told that the focus has come or gone, as the browser tells it
    # when another window takes it: without a window manager no browser here
    # loses the focus reliably.
    def focus(self, on):
        self.js("dispatchEvent(new FocusEvent('%s'))" % ("focus" if on else "blur"))

    # Presses and lets go of keys, ("down" or "up", code) each, all within a
    # frame.
    def keys(self, *presses):
        self.act([dict(type="key", id="keys", actions=[
            dict(type="key" + kind.title(), value=KEYS[code][0])
            for kind, code in presses])])

    # ("move", x, y), ("down" or "up", button) (0 left, 1 middle, 2 right)
    # or ("pause", seconds), one after another at once; or ("wheel", dx, dy).
    def mouse(self, *steps):
        def action(s):
            if s[0] == "move":
                self.at = s[1:]
                return dict(type="pointerMove", x=int(s[1]), y=int(s[2]))
            if s[0] == "pause":
                return dict(type="pause", duration=int(s[1] * 1000))
            return dict(type="pointer" + s[0].title(), button=s[1])
        self.act([dict(type="wheel", id="wheel", actions=[dict(
            type="scroll", x=int(self.at[0]), y=int(self.at[1]),
            deltaX=steps[0][1], deltaY=steps[0][2])])] if steps[0][0] == "wheel"
            else [dict(type="pointer", id="mouse", actions=list(map(
                action, steps)), parameters=dict(pointerType="mouse"))])

    # The fingers down from now on, by number, and where: those down before
    # and not named lift. A tap is a finger down and up within a frame.
    def touch(self, fingers, tap=False):
        def steps(i):
            if i not in fingers:
                return [dict(type="pointerUp", button=0)]
            return [dict(type="pointerMove", x=int(fingers[i][0]),
                         y=int(fingers[i][1]))] + [dict(
                             type="pointerDown", button=0)] * (
                i not in self.fingers) + [dict(type="pointerUp", button=0)] * tap
        self.act([dict(type="pointer", id="finger%d" % i, actions=steps(i),
                       parameters=dict(pointerType="touch"))
                  for i in sorted(set(fingers) | set(self.fingers))])
        self.fingers = {} if tap else dict(fingers)


# An engine over WebDriver BiDi: call() sends a command and waits for its
# answer, hearing the console meanwhile; send() does not wait.
class BiDi(Engine):
    def connect(self, url):
        import websocket  # Debian's python3-websocket, only needed here
        self.socket, self.sent = websocket.create_connection(
            url, suppress_origin=True), 0

    def send(self, method, /, **params):
        self.sent += 1
        self.socket.send(json.dumps(dict(id=self.sent, method=method,
                                         params=params)))
        return self.sent

    def call(self, method, /, **params):
        last = self.send(method, **params)
        while True:
            m = json.loads(self.socket.recv())
            p = m.get("params", {})
            if m.get("method") == "log.entryAdded":
                self.lines.append((level(p["level"]), p["text"]))
            elif m.get("method") == "goog:cdp.Log.entryAdded":
                # Chromium asks a host for /favicon.ico of its own accord
                # for a file that names no icon. What it says of a request
                # ends with the request's address.
                entry = p["params"]["entry"]
                url = entry.get("url", "")
                if not url.endswith("/favicon.ico"):
                    self.lines.append((level(entry["level"]), entry["text"] + (
                        " " + url if entry["source"] == "network" else "")))
            elif m.get("type") == "error" and m.get("id", 0) >= last:
                raise RuntimeError(method + ": " + m["message"])
            elif m.get("id") == last:
                return m["result"]

    def act(self, actions):
        self.call("input.performActions", context=self.context,
                  actions=actions)

    def open(self, url):
        self.call("input.releaseActions", context=self.context)
        self.fingers, self.lines = {}, []
        try:
            self.call("browsingContext.navigate", context=self.context,
                      url=url, wait="complete")
        except RuntimeError as e:
            # A page that goes on to another as it loads, as index.html
            # opened from disk does, is no failure to open it.
            if "navigation canceled by concurrent navigation" not in str(e):
                raise

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
            raise RuntimeError(expression[:60] + ": " +
                               found["exceptionDetails"]["text"])
        return plain(found["result"])

    def view(self, width, height, ratio=1, mobile=False):
        self.call("browsingContext.setViewport", context=self.context,
                  devicePixelRatio=ratio,
                  viewport=dict(width=width, height=height))

    # Another tab in front, which hides the page but takes no focus.
    def hide(self, hidden):
        if hidden:
            self.cover = self.call("browsingContext.create",
                                   type="tab")["context"]
        else:
            self.call("browsingContext.close", context=self.cover)

    def png(self):
        return self.call("browsingContext.captureScreenshot",
                         context=self.context)["data"]


# Debian's Chromium, headless, through its chromedriver; what WebDriver
# lacks goes to the DevTools protocol underneath (cdp()), among it fingers,
# which WebDriver would set down a frame or two apart.
class Chromium(BiDi):
    name = "chromium"
    flags = ["--headless=new", "--disable-gpu", "--no-first-run",
             "--disable-background-networking", "--disable-component-update",
             "--disable-sync"] + (["--no-sandbox"] if os.getuid() == 0 else [])

    def __init__(self, options=(), simd=True):
        super().__init__()
        self.port = free_port()
        # Its profile and the rest it would leave in /tmp go in ours.
        self.spawn(["chromedriver", "--port=%d" % self.port],
                   env=dict(os.environ, TMPDIR=self.profile))
        until(lambda: self.request("GET", "/status", quiet=True))
        started = self.request("POST", "/session", dict(capabilities=dict(
            alwaysMatch={"webSocketUrl": True, "goog:chromeOptions": dict(
                binary="/usr/bin/chromium", args=self.flags + [
                    "--window-size=1024,768"] + list(options) + (
                    [] if simd else ["--js-flags=--no-enable-sse4-1"]))})))
        self.connect(started["capabilities"]["webSocketUrl"])
        self.session = "/session/" + started["sessionId"]
        self.call("session.subscribe",
                  events=["log.entryAdded", "goog:cdp.Log.entryAdded"])
        self.context = self.call(
            "browsingContext.getTree")["contexts"][0]["context"]
        self.cdp_session = self.call("goog:cdp.getSession",
                                     context=self.context)["session"]
        self.cdp("Log.enable")
        self.window = self.cdp("Browser.getWindowForTarget")["windowId"]

    def cdp(self, method, wait=True, **params):
        command = dict(method=method, params=params, session=self.cdp_session)
        if not wait:
            return self.send("goog:cdp.sendCommand", **command)
        return self.call("goog:cdp.sendCommand", **command)["result"]

    # A phone's view has a touch screen; another gets one with its first
    # finger.
    def view(self, width, height, ratio=1, mobile=False):
        self.cdp("Emulation.setDeviceMetricsOverride", width=width,
                 height=height, deviceScaleFactor=ratio, mobile=mobile)
        self.touchable(mobile)

    def touchable(self, on):
        self.cdp("Emulation.setTouchEmulationEnabled", enabled=on,
                 maxTouchPoints=5)
        self.touching = on

    # The fingers that lift do so first, those that stay then move and those
    # new come down; the DevTools protocol names the points that end, and
    # all those that are down after a start or a move.
    def touch(self, fingers, tap=False):
        def points(f):
            return [dict(x=x, y=y, id=i) for i, (x, y) in f.items()]
        if not self.touching:
            self.touchable(True)
        for now in (fingers, {}) if tap else (fingers,):
            gone = {i: at for i, at in self.fingers.items() if i not in now}
            if gone:
                self.cdp("Input.dispatchTouchEvent", type="touchEnd",
                         touchPoints=points(gone))
            if now:
                self.cdp("Input.dispatchTouchEvent", wait=not tap, type=(
                    "touchStart" if set(now) - set(self.fingers) else
                    "touchMove"), touchPoints=points(now))
            self.fingers = now

    # The browser takes the fingers back, as when it starts a gesture of its
    # own.
    def cancel(self):
        self.fingers = {}
        self.cdp("Input.dispatchTouchEvent", type="touchCancel", touchPoints=[])

    @classmethod
    def without_simd(cls):
        return cls(simd=False)

    def mobile(self):
        pass

    def manifest(self):
        return self.cdp("Page.getAppManifest")

    # Minimises the window, which hides the page but takes no focus.
    def hide(self, hidden):
        self.cdp("Browser.setWindowBounds", windowId=self.window, bounds=dict(
            windowState="minimized" if hidden else "normal"))

    def open(self, url):
        if self.fingers:
            self.cancel()
        super().open(url)

    def close(self):
        self.request("DELETE", "", quiet=True)
        super().close()


# Debian's Firefox ESR, headless.
class Firefox(BiDi):
    name = "firefox"

    def __init__(self):
        super().__init__()
        log = tempfile.TemporaryFile()
        self.spawn(["firefox-esr", "--headless", "--no-remote", "--profile",
                    self.profile, "--remote-debugging-port", "0",
                    "about:blank"], stderr=log)

        # It says in its error output where it listens (port 0: any port).
        def listening():
            log.seek(0)
            return re.search(rb"listening on (ws://\S+)", log.read())
        if not until(lambda: listening() or self.process.poll() is not None,
                     30) or not listening():
            self.close()
            raise EOFError("firefox ended or never listened")
        self.connect(listening().group(1).decode() + "/session")
        self.call("session.new", capabilities={})
        self.call("session.subscribe", events=["log.entryAdded"])
        self.context = self.call(
            "browsingContext.getTree")["contexts"][0]["context"]


# WebKitGTK's MiniBrowser in the X server that DISPLAY names, over
# WebDriver. Its console is heard from when the page has loaded.
class WebKit(Engine):
    name = "webkit"

    # The console's lines as the page gets them.
    HEAR = """(function () {
       window.said = [];
       ['log', 'warn', 'error'].forEach(function (level) {
          var write = console[level];
          console[level] = function () {
             said.push([level, [].join.call(arguments, ' ')]);
             write.apply(console, arguments);
          };
       });
       addEventListener('error', function (e) { said.push(['error', e.message]); });
    })()"""

    def __init__(self):
        super().__init__()
        self.port = free_port()
        self.spawn(["WebKitWebDriver", "--port=%d" % self.port])
        until(lambda: self.request("GET", "/status", quiet=True))
        self.session = "/session/" + self.request("POST", "/session", dict(
            capabilities=dict(alwaysMatch={
                "browserName": "MiniBrowser", "webkitgtk:browserOptions": dict(
                    args=["--automation"], binary=glob.glob(
                        "/usr/lib/*/webkit2gtk-4.1/MiniBrowser")[0])})))[
            "sessionId"]
        # The view is the window less MiniBrowser's toolbar.
        r = self.request("POST", "/window/rect", dict(width=1024, height=768))
        self.bars = r["height"] - self.js("innerHeight")

    def act(self, actions):
        self.request("POST", "/actions", dict(actions=actions))

    def mouse(self, *steps):
        if any(s[0] in ("down", "up") and s[1] for s in steps):
            raise Cannot("WebKitGTK's WebDriver delivers no release of a right "
                         "button, nor any other button after it")
        super().mouse(*steps)

    def touch(self, fingers, tap=False):
        raise Cannot("WebKitGTK's WebDriver delivers a touch as a mouse")

    def timely(self):
        raise Cannot("WebKitGTK in a virtual X server runs timeouts up to "
                     "120 ms late here")

    def open(self, url):
        self.request("DELETE", "/actions")
        self.fingers = {}
        self.request("POST", "/url", dict(url=url))
        self.js(self.HEAR)

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
        if ratio != 1 or mobile:
            raise Cannot("MiniBrowser lays out no phone's viewport, and its "
                         "display density is the X server's")
        self.request("POST", "/window/rect",
                     dict(width=width, height=height + self.bars))

    def hide(self, hidden):
        self.request("POST", "/window/minimize" if hidden else "/window/rect",
                     {})

    def png(self):
        return self.request("GET", "/screenshot")

    def close(self):
        try:
            self.request("DELETE", "")
        finally:
            super().close()


# steer's own window, its program started by the shell command in
# STEER_COMMAND (default: the build's) from a scratch directory that is also
# its home, with a clean environment, since the library reads its
# configuration from both; driven by XTest input, its picture read from the
# window.
class Native(Engine):
    name, web, reasons = "native", False, True

    def open(self, *args):
        raise Cannot("steer's program has no page")

    js = manifest = frames = hide = open

    def view(self, width, height, ratio=1, mobile=False):
        if (width, height, ratio, mobile) != (1024, 768, 1, False):
            raise Cannot("a window is as large as the program asks, its pixels "
                         "the screen's")

    def touch(self, fingers, tap=False):
        raise Cannot("a window has no fingers")

    def __init__(self):
        from Xlib import X, XK, display  # Debian's python3-xlib
        from Xlib.ext import xtest
        super().__init__()
        self.X, self.XK, self.xtest, self.dpy = X, XK, xtest, display.Display()
        self.root, self.held = self.dpy.screen().root, set()

    # Starts steer afresh on the display, if any, with no key held from an
    # earlier run and the pointer where the window will open.
    def launch(self, display, ignore_int=False):
        if self.process:
            self.stop()
        self.release()
        self.dpy.set_input_focus(self.X.PointerRoot, self.X.RevertToParent,
                                 self.X.CurrentTime)
        self.move(400, 300)
        env = {k: v for k, v in os.environ.items() if k in (
            "XAUTHORITY", "ASAN_OPTIONS", "UBSAN_OPTIONS", "WINEPREFIX",
            "WINEARCH", "WINEDEBUG")}
        env.update(HOME=self.profile, PATH="/usr/bin:/bin",
                   **({"DISPLAY": display} if display else {}))
        with open(os.path.join(self.profile, "out"), "wb") as out:
            self.process = subprocess.Popen(
                ["/bin/sh", "-c", "exec " + os.environ.get(
                    "STEER_COMMAND", os.path.join(os.path.dirname(
                        os.path.abspath(__file__)), "..", "build", "steer"))],
                env=env, cwd=self.profile,
                stdout=out, stderr=subprocess.STDOUT, start_new_session=True,
                preexec_fn=lambda: signal.signal(signal.SIGINT, (
                    signal.SIG_IGN if ignore_int else signal.SIG_DFL)))

    # Whether steer's 800 x 600 window shows, under the pointer.
    def found(self):
        child = self.root.query_pointer().child
        if child and child.get_attributes().map_state == self.X.IsViewable:
            g = child.get_geometry()
            if (g.width, g.height) == (800, 600):
                self.window, self.left, self.top = child, g.x, g.y
                return True
        return False

    def move(self, x, y):
        self.xtest.fake_input(self.dpy, self.X.MotionNotify, x=int(x),
                              y=int(y))
        self.dpy.sync()

    def press(self, code, down):
        self.xtest.fake_input(self.dpy, (self.X.KeyRelease, self.X.KeyPress)[
            down], self.dpy.keysym_to_keycode(
                self.XK.string_to_keysym(KEYS[code][1])))
        self.dpy.sync()
        (self.held.add if down else self.held.discard)(code)

    def keys(self, *presses):
        for kind, code in presses:
            self.press(code, kind == "down")

    # Lets go of the keys it holds, which the X server would repeat to the
    # next window.
    def release(self):
        for code in list(self.held):
            self.press(code, False)

    def mouse(self, *steps):
        if any(s[0] != "move" for s in steps):
            raise Cannot("steer reads no mouse buttons or wheel, so the native "
                         "engine only moves the pointer")
        self.move(self.left + steps[-1][1], self.top + steps[-1][2])

    def rect(self):
        return [0, 0, 800, 600]

    def image(self):
        return self.window.get_image(0, 0, 800, 600, self.X.ZPixmap,
                                     0xffffffff).data

    def colours(self, points):
        d = self.image()
        return [int.from_bytes(d[(int(y) * 800 + int(x)) * 4:][:3], "little")
                for x, y in points]

    def digest(self):
        return hash(self.image())

    # The focus given to the window, as a window manager would, or taken
    # away; keys held meanwhile come up where the window cannot hear.
    def focus(self, on):
        self.dpy.set_input_focus(self.window if on else self.X.NONE,
                                 self.X.RevertToParent, self.X.CurrentTime)
        self.dpy.sync()
        if not on:
            self.release()

    # A signal to steer, or with 0 its X connection dropped by the server.
    def signal(self, sig):
        if sig:
            return os.killpg(self.process.pid, sig)
        from Xlib.protocol import request
        request.KillClient(display=self.dpy.display, resource=self.window.id)
        self.dpy.sync()

    def close(self):
        self.release()
        super().close()

    def ended(self):
        s = self.process.poll()
        return None if s is None else "exit %d" % s if s >= 0 else \
            "signal %d" % -s

    def written(self):
        with open(os.path.join(self.profile, "out"), errors="replace") as f:
            return f.read().replace("\r", "")

    def said(self):
        return [("log", self.written())]

    # The window's class, and its icon's size and pixels.
    def icon(self):
        pixmap = self.window.get_wm_hints().icon_pixmap
        g = pixmap.get_geometry()
        return (self.window.get_wm_class(), (g.width, g.height), pixmap.get_image(
            0, 0, g.width, g.height, self.X.ZPixmap, 0xffffffff).data)


# The .exe under Wine, as STEER_COMMAND starts it with STEER_WINE set.
class Wine(Native):
    name, reasons = "wine", False

    def signal(self, sig):
        raise Cannot("Windows has neither POSIX signals nor Xlib")

    def focus(self, on):
        raise Cannot("Wine with no window manager does not follow the X focus")

    def icon(self):
        raise Cannot("Wine makes the window itself")


# A folder served as a static host serves it, on a port of its own, until
# stopped: compressed for a browser that takes it so (each file once, as a
# host keeps it), dated by its modification time, "not modified" to a
# request that names a date since which it has not changed, and with the
# Cache-Control header CACHE, or none, as stock nginx and Apache serve
# files. What it serves may change as it runs: directory, the folder; and
# answers, by a pattern of paths, a status to answer in their place or the
# Content-Type to give them. asked counts the requests for each path.
class Folder(http.server.ThreadingHTTPServer):
    ports = set()

    def __init__(self, directory, cache=None):
        @functools.cache
        def compressed(path, modified):
            with open(path, "rb") as f:
                return gzip.compress(f.read(), mtime=0)
        folder = self

        class Host(http.server.SimpleHTTPRequestHandler):
            extensions_map = {".wasm": "application/wasm", ".js": "text/javascript",
                              ".webmanifest": "application/manifest+json"}

            def log_message(self, *args):
                pass

            # What the folder is when the request comes: a browser may
            # connect long before it asks.
            def send_head(self):
                self.directory, asked = folder.directory, self.path.split("?")[0]
                path = self.translate_path(asked)
                if asked.endswith("/"):
                    path = os.path.join(path, "index.html")
                folder.asked[asked] += 1
                answer = next((a for name, a in folder.answers.items()
                               if fnmatch.fnmatch(asked, name)), None)
                if isinstance(answer, int) or not os.path.isfile(path):
                    self.send_error(answer if isinstance(answer, int) else 404)
                    return None
                modified = int(os.stat(path).st_mtime)
                since = self.headers.get("If-Modified-Since")
                if since and email.utils.parsedate_to_datetime(
                        since).timestamp() >= modified:
                    self.send_response(304)
                    self.end_headers()
                    return None
                zipped = "gzip" in self.headers.get("Accept-Encoding", "")
                if zipped:
                    body = compressed(path, modified)
                else:
                    with open(path, "rb") as f:
                        body = f.read()
                self.send_response(200)
                self.send_header("Content-Type", answer or self.guess_type(path))
                self.send_header("Last-Modified", self.date_time_string(modified))
                if cache:
                    self.send_header("Cache-Control", cache)
                if zipped:
                    self.send_header("Content-Encoding", "gzip")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                return io.BytesIO(body)
        self.directory, self.answers, self.asked = directory, {}, \
            collections.Counter()
        # An origin of its own: a port that an earlier folder had would bring
        # that one's workers and caches along.
        port = free_port()
        while port in Folder.ports:
            port = free_port()
        Folder.ports.add(port)
        super().__init__(("127.0.0.1", port), Host)
        threading.Thread(target=self.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/" % self.server_address[1]

    # A browser that goes away while answered is no fault of the folder's.
    def handle_error(self, request, address):
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, address)

    def stop(self):
        self.shutdown()
        self.server_close()


ENGINES = dict(native=Wine if os.environ.get("STEER_WINE") else Native,
               chromium=Chromium, firefox=Firefox, webkit=WebKit)
