#!/usr/bin/env python3
"""The service's pages in a real browser.

Starts wavelore-service on a fresh SQLite store, uploads a few NAVTEX
messages the way the receiver does (its multipart form, percent-escaped
text), then opens every kind of page in headless Chromium over the DevTools
protocol (a pipe, no network port) at desktop and phone widths. Each page
must load without console errors, must not scroll sideways on a phone, and
must pass the axe-core accessibility rules for WCAG 2.1 A and AA. Writes
screenshots to the output folder.

    browser_check.py SERVICE_PROGRAM OUTPUT_DIR

Exits 77 (skipped) when Chromium is not installed; axe-core missing is a
failure only with WAVELORE_REQUIRE_AXE=1 (the CI sets it), else its checks are
left out with a line saying so.
"""

import base64
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--hide-scrollbars", "--remote-debugging-pipe",
]
BOUNDARY = "--MULTI-PARTS-FORM-DATA-BOUNDARY"

RECEIVERS = [
    ("Aldeburgh coast watch", "52.15,1.60"),
    ("Harwich radio club", "51.95,1.29"),
    ("Portland Bill", "50.52,-2.45"),
]

# (B1B2B3B4, text, [(receiver index, quality, time)]) in the order heard.
MESSAGES = [
    ("GE03", "SHIPPING FORECAST ISSUED 0500 UTC\nTYNE DOGGER: SOUTHWEST 4 OR 5. "
     "MODERATE. RAIN LATER. GOOD, OCCASIONALLY MODERATE LATER.\nHUMBER THAMES: WEST 3 "
     "OR 4. SLIGHT. FAIR. GOOD.", [(0, 96, "05:20:11")]),
    ("LA88", "NORWEGIAN NAV WARNING 412/26\nCHART 301\nOIL PLATFORM TOWED FROM "
     "58-54.2N 005-38.1E TO 60-12.0N 003-05.4E.\nSPEED 3 KNOTS. WIDE BERTH REQUESTED.",
     [(1, 88, "06:02:40")]),
    ("EA12", "WZ 1234\nENGLISH CHANNEL. DOVER STRAIT.\nWRECK IN POSITION 51-02.4N "
     "001-28.6E MARKED BY EAST CARDINAL LIGHTBUOY.\nWIDE BERTH REQUESTED.\n"
     "CANCEL WZ 1229.", [(0, 74, "07:10:03"), (1, 99, "07:10:05"), (2, 91, "07:10:04")]),
    ("EB45", "GALE WARNING 7\nDOVER WIGHT PORTLAND PLYMOUTH\nSOUTHWESTERLY GALE FORCE 8 "
     "EXPECTED SOON, VEERING WESTERLY SEVERE GALE 9 LATER.",
     [(2, 97, "08:00:21"), (1, 93, "08:00:22")]),
    ("ED00", "MAYDAY RELAY\nPERSON OVERBOARD FROM FISHING VESSEL NEAR 50-31N 002-27W.\n"
     "VESSELS IN THE AREA KEEP A SHARP LOOKOUT AND REPORT TO FALMOUTH COASTGUARD.",
     [(2, 100, "08:41:55")]),
]


def fail(text):
    print("browser check: " + text, file=sys.stderr)
    sys.exit(1)


def escape_all(data):
    return "".join("%%%02X" % b for b in data)


def upload(port, uid, identity, text, quality, rx_time):
    fields = [
        ("PATH", "/cgi-bin/navtex/navtex_upload.cgi"), ("UID", uid), ("VERSION", "2.1.2"),
        ("DATE", "2026-11-30"), ("TIME", rx_time.replace(":", "%3A")), ("NAVAREA", "1"),
        ("STATION", identity[0]), ("NUMBER", identity[2:]),
        ("MESSAGE", escape_all(text.replace("\n", "\r\n").encode() + b"\r\n\0")),
        ("TYPE", identity[1]), ("QUALITY", str(quality)),
    ]
    body = ""
    for name, value in fields:
        body += ("--" + BOUNDARY + "\r\nContent-Disposition: form-data; name=\"" + name +
                 "\"\r\nContent-Type: text/plain; charset=\"utf-8\"\r\n"
                 "Content-Transfer-Encoding: quoted-printable\r\n\r\n" + value + "\r\n")
    body += "--" + BOUNDARY + "--\r\n"
    request = urllib.request.Request(
        "http://127.0.0.1:%d/cgi-bin/navtex/navtex_upload.cgi" % port, data=body.encode(),
        headers={"Content-Type": "multipart/form-data; boundary=" + BOUNDARY})
    with urllib.request.urlopen(request, timeout=10) as reply:
        answer = reply.read().decode()
    if not answer.startswith("OK"):
        fail("upload of %s answered %r" % (identity, answer))


class Browser:
    """Chromium driven over --remote-debugging-pipe: JSON messages ended by NUL."""

    def __init__(self, executable, profile):
        self.to_read, to_chrome = os.pipe()
        from_chrome, self.to_write = os.pipe()
        # Chromium reads commands on descriptor 3 and answers on descriptor 4.
        command = " ".join([executable] + CHROMIUM_FLAGS + ["--user-data-dir=" + profile,
                                                              "about:blank"])
        self.process = subprocess.Popen(
            ["/bin/sh", "-c", "exec %s 3<&%d 4>&%d" % (command, from_chrome, to_chrome)],
            pass_fds=(from_chrome, to_chrome), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(from_chrome)
        os.close(to_chrome)
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def close(self):
        try:
            self.call("Browser.close")
        except Exception:  # already gone
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()

    def _read_message(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                fail("Chromium did not answer in time")
            chunk = os.read(self.to_read, 1 << 20)
            if not chunk:
                fail("Chromium closed its pipe")
            self.buffer += chunk
        raw, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(raw)

    def call(self, method, params=None, session=None, timeout=30):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.to_write, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            reply = self._read_message(deadline)
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    fail("%s failed: %s" % (method, reply["error"]))
                return reply.get("result", {})
            self.events.append(reply)

    def wait_event(self, method, session, timeout=30):
        deadline = time.monotonic() + timeout
        while True:
            for i, event in enumerate(self.events):
                if event.get("method") == method and event.get("sessionId") == session:
                    return self.events.pop(i)
            self.events.append(self._read_message(deadline))


def start_service(program, work):
    data = os.path.join(work, "data")
    ids = []
    for name, position in RECEIVERS:
        made = subprocess.run([program, "--data", data, "add-receiver", name, "--position",
                               position], capture_output=True, text=True, check=True)
        ids.append(made.stdout.strip())
    log = open(os.path.join(work, "service.log"), "w+")
    env = dict(os.environ, WAVELORE_SERVICE_SIGNUP="true",
               WAVELORE_SERVICE_SITE_TITLE="North Sea NAVTEX network")
    process = subprocess.Popen([program, "--data", data, "--listen", "127.0.0.1:0"],
                               stderr=log, env=env)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        log.seek(0)
        found = re.search(r'"event":"started".*"port":(\d+)', log.read())
        if found:
            return process, int(found.group(1)), ids
        time.sleep(0.05)
    process.kill()
    fail("the service did not start")


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    program, out = sys.argv[1], sys.argv[2]
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium:
        print("browser check skipped: Chromium is not installed (apt-get install chromium)")
        return 77
    axe_path = os.path.join(subprocess.run(["npm", "root", "-g"], capture_output=True,
                                           text=True).stdout.strip() if shutil.which("npm")
                            else "", "axe-core", "axe.min.js")
    axe = open(axe_path).read() if os.path.isfile(axe_path) else None
    if axe is None:
        if os.environ.get("WAVELORE_REQUIRE_AXE") == "1":
            fail("axe-core is not installed (npm install -g axe-core)")
        print("browser check: axe-core is not installed, accessibility rules left out")
    os.makedirs(out, exist_ok=True)

    work = tempfile.mkdtemp(prefix="wavelore-browser-")
    service, port, ids = start_service(program, work)
    browser = None
    problems = []
    try:
        for identity, text, receptions in MESSAGES:
            for receiver, quality, rx_time in receptions:
                damaged = text if quality >= 90 else text.replace("CARDINAL", "CARD*NAL")
                upload(port, ids[receiver], identity, damaged, quality, rx_time)

        browser = Browser(chromium, os.path.join(work, "profile"))
        target = browser.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = browser.call("Target.attachToTarget",
                               {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            browser.call(domain + ".enable", session=session)

        pages = [
            ("latest", "/"),
            ("filtered", "/?navarea=1&station=E"),
            ("search", "/?q=gale+warning"),
            ("message", "/message/3"),
            ("receivers", "/receivers"),
            ("receiver", "/receiver/1"),
            ("signup", "/cgi-bin/navtex/register.cgi"),
            ("missing", "/message/999"),
        ]
        shots = {("latest", "desktop"), ("message", "desktop"), ("latest", "phone")}
        for width, height, mobile, kind in ((1280, 900, False, "desktop"),
                                            (390, 844, True, "phone")):
            browser.call("Emulation.setDeviceMetricsOverride",
                         {"width": width, "height": height, "deviceScaleFactor": 1,
                          "mobile": mobile}, session)
            for name, path in pages:
                browser.events.clear()
                browser.call("Page.navigate", {"url": "http://127.0.0.1:%d%s" % (port, path)},
                             session)
                browser.wait_event("Page.loadEventFired", session)
                where = "%s (%s, %s)" % (path, kind, name)
                for event in browser.events:
                    if event.get("method") == "Log.entryAdded" and \
                            event["params"]["entry"]["level"] == "error" and \
                            "404" not in event["params"]["entry"].get("text", ""):
                        problems.append(where + ": console: " +
                                        event["params"]["entry"]["text"])
                sideways = browser.call(
                    "Runtime.evaluate",
                    {"expression": "document.documentElement.scrollWidth - window.innerWidth",
                     "returnByValue": True}, session)["result"]["value"]
                if sideways > 0:
                    problems.append("%s: scrolls %d px sideways" % (where, sideways))
                if axe is not None:
                    browser.call("Runtime.evaluate", {"expression": axe}, session)
                    result = browser.call(
                        "Runtime.evaluate",
                        {"expression": "axe.run(document, {runOnly: {type: 'tag', values: "
                                       "['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa']}})"
                                       ".then(r => JSON.stringify(r.violations.map(v => "
                                       "[v.id, v.help, v.nodes.map(n => n.target.join(' '))"
                                       ".slice(0, 3)])))",
                         "awaitPromise": True, "returnByValue": True}, session, timeout=60)
                    for rule, help_text, nodes in json.loads(result["result"]["value"]):
                        problems.append("%s: %s (%s) at %s" % (where, rule, help_text, nodes))
                if (name, kind) in shots:
                    full = kind == "desktop"
                    metrics = browser.call("Page.getLayoutMetrics", session=session)
                    size = metrics["cssContentSize"]
                    shot = browser.call("Page.captureScreenshot", {
                        "format": "png", "captureBeyondViewport": full,
                        "clip": {"x": 0, "y": 0, "width": width,
                                 "height": min(size["height"], 1400) if full else height,
                                 "scale": 1}}, session)
                    with open(os.path.join(out, "service-%s-%s.png" % (name, kind)), "wb") as f:
                        f.write(base64.b64decode(shot["data"]))
    finally:
        if browser:
            browser.close()
        service.send_signal(signal.SIGTERM)
        service.wait(timeout=10)
        shutil.rmtree(work, ignore_errors=True)

    for problem in problems:
        print("browser check: " + problem, file=sys.stderr)
    if problems:
        return 1
    print("browser check: %d pages at two widths load cleanly, fit a phone%s" %
          (len(pages), " and pass axe-core's WCAG 2.1 A and AA rules" if axe else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
