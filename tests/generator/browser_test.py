#!/usr/bin/env python3
"""Loads payment forms written by buttoncode into headless Chromium and checks that
the browser reads and submits exactly what the seller typed.

A page holds one generated form per entry. A script in it reports what the browser
parsed (forms, action, method, character set, inputs) back to this server, then
points each form at this server and submits it by clicking its picture button, one
entry at a time, into an iframe of its own. The server decodes every posted
application/x-www-form-urlencoded body strictly as UTF-8 and compares each field
with the entry. There are two pages: one served as UTF-8 with every entry, and one
served as windows-1252 with the Cyrillic, accented, euro and emoji entries, whose
forms must post UTF-8 all the same. Chromium only ever talks to 127.0.0.1: every
other host name fails to resolve.

Standard library only. Exits 0 when every entry matched, 1 otherwise (also when
Chromium is missing or does not finish in time), 2 on bad arguments.
"""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unicodedata
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PAYMENT_ENDPOINT = "https://www.paypal.com/cgi-bin/webscr"
IMAGE_BASE = "https://www.paypal.com/images/"
PRESET_PICTURES = ["", "x-click-but23.gif", "x-click-butcc.gif", "x-click-but02.gif", "x-click-but03.gif",
                   "x-click-but5.gif", "x-click-but01.gif", "x-click-but9.gif", "x-click-but6.gif"]
BUTTON_ALT = "Make payments with PayPal - it's fast, free and secure!"
TEXT_FIELDS = ["Account", "ItemName", "ItemNumber", "Amount", "ReturnUrl", "CancelUrl", "NoteTitle",
               "OwnImageUrl"]
# The entries a form submits; the picture's address is not among them.
SUBMITTED_FIELDS = [name for name in TEXT_FIELDS if name != "OwnImageUrl"]

# What PayPal takes: item names and numbers up to 127 characters, and no line break or
# other control in them or the note title; addresses up to 1,024 without spaces, controls
# or invisible characters (format characters, the few ignorable letters and marks, the
# blank braille pattern).
MAX_ITEM = 127
MAX_ADDRESS = 1024
INVISIBLE = re.compile("[\u034f\u115f\u1160\u17b4\u17b5\u180b-\u180f\u2800\u3164\ufe00-\ufe0f\uffa0"
                       "\U000e0000-\U000e0fff]")


def in_one_line(c):
    return unicodedata.category(c) not in ("Cc", "Zl", "Zp")


def in_address_taken(c):
    refused = ("Cc", "Cf", "Co", "Cs", "Cn", "Zs", "Zl", "Zp")
    return unicodedata.category(c) not in refused and not INVISIBLE.match(c)


# The 27 characters windows-1252 puts at 0x80-0x9F, where ISO 8859-1 has controls.
CP1252_EXTRAS = bytes(range(0x80, 0xA0)).decode("cp1252", errors="ignore")
# The five bytes windows-1252 leaves undefined; HTML decodes their references as the C1 controls.
CP1252_UNDEFINED = "\x81\x8d\x8f\x90\x9d"
LATIN1_UPPER = "".join(chr(c) for c in range(0xA0, 0x100))

TICKED, UNTICKED, GREYED = 1, 0, 2


def sent_bytes(text):
    return text[0] if isinstance(text, tuple) else text.encode("utf-8")


def typed_text(text):
    return text[1] if isinstance(text, tuple) else text


def in_address(base, text):
    """An address that carries a text in its path or query, without what no address
    may hold; the base alone when the text would make it too long."""
    if isinstance(text, tuple):
        return (base.encode("ascii") + text[0], base + text[1]) if all(map(in_address_taken, text[1])) else base
    address = base + "".join(filter(in_address_taken, text))
    return address if len(address) <= MAX_ADDRESS else base


def entry(label, text=None, **fields):
    """An entry around `text`: in the item name and number (when short enough), the
    note title and the two return addresses; the account and price are a seller's
    own unless given. What no submitted entry takes goes into the picture's address,
    used unchecked when no picture option is chosen. A text is either a str, sent as
    UTF-8, or a pair (bytes sent, str the browser must post)."""
    e = {"label": label, "CollectShipping": TICKED, "AllowQuantity": UNTICKED, "AllowNote": TICKED,
         "UsePresetImage": 1, "UseOwnImage": 0, "ChosenImage": 1, "Account": "seller@example.com",
         "ItemName": "Blue mug", "ItemNumber": "MUG-01", "Amount": "9.99", "NoteTitle": "Gift message",
         "ReturnUrl": "https://shop.example/thanks", "CancelUrl": "https://shop.example/cancel",
         "OwnImageUrl": "http://"}
    if text is not None:
        line = text if isinstance(text, tuple) else "".join(filter(in_one_line, text))
        if len(typed_text(line)) <= MAX_ITEM:
            e["ItemName"] = e["ItemNumber"] = line
        e["NoteTitle"] = line
        if line != text:
            e.update(UsePresetImage=0, OwnImageUrl=text)
        e["ReturnUrl"] = in_address("https://shop.example/thanks?q=", text)
        e["CancelUrl"] = in_address("https://shop.example/cancel/", text)
    e.update(fields)
    return e


ENTRIES = [
    # Distinct values in every field, so that swapped fields show.
    entry("plain", Account="seller@example.com", ItemName="Blue mug", ItemNumber="MUG-01", Amount="9.99",
          ReturnUrl="https://shop.example/thanks", CancelUrl="https://shop.example/cancel",
          NoteTitle="Gift message", ChosenImage=5, AllowQuantity=TICKED),
    entry("currency", "Tea", Amount="eur 12.50", Account="ABCDEFGHJK123"),
    entry("quotes", 'He said "hi" & she said \'bye\' ""\'\''),
    entry("markup", '</div></form><script>alert(1)</script><form action="https://evil.example/">'
          "<input name=cmd value=_cart><!-- ]]> <b>bold</b>", UseOwnImage=1, UsePresetImage=0,
          OwnImageUrl='https://img.example/"><script>alert(2)</script><img/src="x'),
    entry("references", "&#49; &amp; &lt;x&gt; &#x41; &copy &nbsp;; &#0; &#128; &", ChosenImage=8),
    entry("spaces", "  leading and trailing  \t", ChosenImage=2, CollectShipping=UNTICKED,
          AllowNote=UNTICKED, AllowQuantity=TICKED),
    entry("line breaks", "one\r\ntwo\rthree\nfour\r\r\n\n", ChosenImage=3),
    entry("cafe", "café €", ChosenImage=4, NoteTitle="Pour qui ? Noël, été", Amount="JPY 1500"),
    entry("cyrillic", "Жук", ChosenImage=6, CollectShipping=GREYED, AllowQuantity=GREYED, AllowNote=GREYED,
          Account="жук@пример.рф"),
    entry("cjk", "日本茶", ChosenImage=7),
    entry("emoji", "😀 🎉 👍🏽 👨‍👩‍👧 𝄞", UseOwnImage=1, UsePresetImage=0, OwnImageUrl="https://img.example/😀.png"),
    entry("windows-1252", "“smart quotes” ‘single’ ™ … – — " + CP1252_EXTRAS, NoteTitle=CP1252_EXTRAS),
    entry("latin-1", LATIN1_UPPER),
    entry("controls", "a\x01b\x1bc\x7fd" + CP1252_UNDEFINED + "e"),
    entry("invalid utf-8", (b"bad\xffbyte\x80end", "bad\ufffdbyte\ufffdend")),
    # No picture option: the own address is used even when empty; the note title may be empty.
    entry("no picture", "x", UsePresetImage=0, UseOwnImage=0, OwnImageUrl="", NoteTitle=""),
    entry("preset none", " ", ChosenImage=0),
    entry("long", "Ab€Ж日😀 <&>\"'\r\n" * 150),
    # Only the picture's address is not ASCII: it is not submitted, so no charset.
    entry("picture only", UseOwnImage=1, UsePresetImage=0, OwnImageUrl="https://img.example/é.png"),
]

# A page in windows-1252, whose forms would otherwise post in windows-1252.
CP1252_LABELS = ["plain", "cafe", "cyrillic", "emoji"]


def submitted(text):
    """What a form submission posts for a value: HTML turns every lone CR and every
    lone LF into CR LF (and keeps CR LF) before encoding."""
    return re.sub(r"\r\n|\r|\n", "\r\n", typed_text(text))


def ticked(state):
    return state == TICKED


def submits_non_ascii(e):
    return not all(sent_bytes(e[name]).isascii() for name in SUBMITTED_FIELDS)


def price(amount):
    """The number and the currency code (None for a plain number) PayPal is sent."""
    parts = amount.split(" ")
    if len(parts) == 1:
        return amount, None
    number, code = parts if parts[0][:1].isdigit() else parts[::-1]
    return number, code.upper()


def expected_fields(e):
    number, currency = price(e["Amount"])
    return [("cmd", "_xclick")] + ([("charset", "UTF-8")] if submits_non_ascii(e) else []) + [
        ("business", submitted(e["Account"])),
        ("undefined_quantity", "1" if ticked(e["AllowQuantity"]) else "0"),
        ("item_name", submitted(e["ItemName"])),
        ("item_number", submitted(e["ItemNumber"])),
        ("amount", number),
    ] + ([("currency_code", currency)] if currency else []) + [
        ("return", submitted(e["ReturnUrl"])),
        ("cancel_return", submitted(e["CancelUrl"])),
        ("no_shipping", "0" if ticked(e["CollectShipping"]) else "1"),
        ("no_note", "0" if ticked(e["AllowNote"]) else "1"),
        ("cn", submitted(e["NoteTitle"])),
    ]


def expected_inputs(e):
    return [f"input hidden {name}" for name, _ in expected_fields(e)] + ["input image submit"]


def expected_charset(e):
    """The form's accept-charset: UTF-8 when a submitted value is not ASCII."""
    return "UTF-8" if submits_non_ascii(e) else None


def expected_picture(e):
    if e["UsePresetImage"]:
        return IMAGE_BASE + PRESET_PICTURES[e["ChosenImage"]]
    return typed_text(e["OwnImageUrl"])


def generate(buttoncode, e):
    args = [buttoncode]
    for name in TEXT_FIELDS:
        args.append(b"--" + name.encode("ascii") + b"=" + sent_bytes(e[name]))
    for name in ["CollectShipping", "AllowQuantity", "AllowNote", "UsePresetImage", "UseOwnImage",
                 "ChosenImage"]:
        args.append(f"--{name}={e[name]}")
    run = subprocess.run(args, capture_output=True, timeout=10)
    if run.returncode != 0:
        raise SystemExit(f"FAIL: buttoncode exited {run.returncode} for entry {e['label']!r}: "
                         f"{run.stderr.decode(errors='replace').strip()}")
    return run.stdout


PAGE_SCRIPT = r"""
<script>
"use strict";
function post(path, body) {
  return fetch(path, {method: "POST", headers: {"Content-Type": "application/json"}, body: JSON.stringify(body)});
}
function inspect(box) {
  const forms = box.querySelectorAll("form");
  const found = {forms: forms.length};
  if (forms.length === 1) {
    const form = forms[0];
    found.action = form.getAttribute("action");
    found.method = form.getAttribute("method");
    found.acceptCharset = form.getAttribute("accept-charset");
    // form.elements leaves out picture buttons, so list the controls directly.
    found.inputs = Array.from(form.querySelectorAll("input, button, select, textarea"), el => ({
      tag: el.tagName.toLowerCase(), type: el.getAttribute("type"), name: el.getAttribute("name"),
      src: el.getAttribute("src"), alt: el.getAttribute("alt"), border: el.getAttribute("border")}));
  }
  return found;
}
function submitEntry(index) {
  return new Promise(resolve => {
    const form = document.getElementById("entry" + index).querySelector("form");
    const sink = document.createElement("iframe");
    sink.name = "sink" + index;
    document.body.appendChild(sink);
    // The empty frame fires load too; wait for the answer to the submission.
    sink.addEventListener("load", () => {
      if (sink.contentWindow.location.pathname === "/submit/" + index) resolve();
    });
    form.target = sink.name;
    form.setAttribute("action", "/submit/" + index);
    form.querySelector('input[type="image"]').click();
  });
}
async function run() {
  const boxes = Array.from(document.querySelectorAll("div.entry"));
  const report = {formsInPage: document.forms.length, entries: boxes.map(inspect)};
  await post("/report", report);
  for (let i = 0; i < boxes.length; ++i) {
    if (report.entries[i].forms === 1) await submitEntry(i);
  }
  await post("/done", {});
}
run().catch(err => post("/error", {message: String(err && err.stack || err)}));
</script>
"""

# Runs before any generated code: a script smuggled into a form would call alert.
PAGE_HEAD = """<!DOCTYPE html>
<html><head><meta charset="{charset}"><title>Payment forms</title>
<script>
window.alert = m => navigator.sendBeacon("/injected", String(m));
window.addEventListener("error", ev => navigator.sendBeacon("/error", JSON.stringify({message: ev.message})));
</script>
</head><body>
"""


def build_page(codes, charset="utf-8"):
    parts = [PAGE_HEAD.replace("{charset}", charset).encode("ascii")]
    for i, code in enumerate(codes):
        parts += [f'<div class="entry" id="entry{i}">\n'.encode("ascii"), code, b"</div>\n"]
    parts += [PAGE_SCRIPT.encode("ascii"), b"</body></html>\n"]
    return b"".join(parts)


class Results:
    def __init__(self):
        self.lock = threading.Lock()
        self.finished = threading.Event()
        self.report = None
        self.submissions = {}
        self.problems = []

    def problem(self, text):
        with self.lock:
            self.problems.append(text)
        self.finished.set()


def make_handler(page, results, charset="utf-8"):
    class Handler(BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def reply(self, status, body=b"", kind="text/plain; charset=utf-8"):
            self.send_response(status)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            if self.path == "/":
                self.reply(200, page, f"text/html; charset={charset}")
            else:
                self.reply(404)

        def do_POST(self):
            body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
            path = self.path
            if path == "/report":
                with results.lock:
                    results.report = json.loads(body)
            elif path.startswith("/submit/") and path[8:].isdigit():
                index = int(path[8:])
                kind = self.headers.get("Content-Type", "")
                with results.lock:
                    results.submissions[index] = (kind, body)
            elif path == "/done":
                results.finished.set()
            elif path == "/injected":
                results.problem(f"a script in the generated code ran: alert({body.decode(errors='replace')})")
            elif path == "/error":
                results.problem(f"page script error: {body.decode(errors='replace')}")
            else:
                results.problem(f"unexpected request POST {path}")
            self.reply(200, b"ok")

    return Handler


def check_report(report, entries):
    problems = []
    if report is None:
        return ["the page never reported what it parsed"]
    if report["formsInPage"] != len(entries):
        problems.append(f"page holds {report['formsInPage']} forms, expected {len(entries)}")
    for i, (e, found) in enumerate(zip(entries, report["entries"])):
        where = f"entry {i} ({e['label']})"
        if found["forms"] != 1:
            problems.append(f"{where}: {found['forms']} forms, expected exactly 1")
            continue
        if found["action"] != PAYMENT_ENDPOINT:
            problems.append(f"{where}: action {found['action']!r}, expected {PAYMENT_ENDPOINT!r}")
        if found["method"] != "post":
            problems.append(f"{where}: method {found['method']!r}, expected 'post'")
        if found["acceptCharset"] != expected_charset(e):
            problems.append(f"{where}: accept-charset {found['acceptCharset']!r}, expected {expected_charset(e)!r}")
        inputs = found["inputs"]
        got = [f"{x['tag']} {x['type']} {x['name']}" for x in inputs]
        want = expected_inputs(e)
        if got != want:
            problems.append(f"{where}: inputs {got}, expected {want}")
            continue
        button = inputs[-1]
        picture = expected_picture(e)
        if button["src"] != picture:
            problems.append(f"{where}: picture {button['src']!r}, expected {picture!r}")
        if button["alt"] != BUTTON_ALT or button["border"] != "0":
            problems.append(f"{where}: button alt {button['alt']!r} border {button['border']!r}")
    return problems


def check_submission(index, e, posted):
    where = f"entry {index} ({e['label']})"
    if posted is None:
        return [f"{where}: the form was never submitted"]
    kind, body = posted
    if kind.split(";")[0].strip() != "application/x-www-form-urlencoded":
        return [f"{where}: posted as {kind!r}"]
    try:
        fields = urllib.parse.parse_qsl(body.decode("ascii"), keep_blank_values=True, strict_parsing=True,
                                        encoding="utf-8", errors="strict")
    except (UnicodeDecodeError, ValueError) as err:
        return [f"{where}: body is not UTF-8 form data ({err}): {body[:200]!r}"]
    problems = []
    want = expected_fields(e)
    # Clicking a picture button adds the click position as name.x and name.y.
    position = fields[len(want):]
    if [n for n, _ in position] != ["submit.x", "submit.y"] or not all(v.isdigit() for _, v in position):
        problems.append(f"{where}: button position fields {position!r}")
    got = fields[:len(want)]
    if [n for n, _ in got] != [n for n, _ in want]:
        return problems + [f"{where}: posted fields {[n for n, _ in got]}, expected {[n for n, _ in want]}"]
    for (name, value), (_, expected) in zip(got, want):
        if value != expected:
            problems.append(f"{where}: field {name} posted {value!r}, expected {expected!r}")
    return problems


def find_chromium(given):
    path = given or shutil.which("chromium") or "/usr/bin/chromium"
    return path if os.access(path, os.X_OK) else None


def processes_using(marker):
    """Processes whose command line names our private profile directory."""
    pids = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/cmdline", "rb") as f:
                if marker.encode() in f.read():
                    pids.append(int(name))
        except OSError:
            pass
    return pids


def stop_chromium(proc, profile):
    """Ends Chromium's whole process group, then any helper that left it."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(proc.pid, sig)
        except ProcessLookupError:
            pass
        try:
            proc.wait(timeout=5)
            break
        except subprocess.TimeoutExpired:
            continue
    deadline = time.monotonic() + 5
    while (stray := [p for p in processes_using(profile) if p != os.getpid()]) and time.monotonic() < deadline:
        for pid in stray:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        time.sleep(0.1)


def run_browser(chromium, url, results, timeout):
    profile = tempfile.mkdtemp(prefix="quorvane-chromium-")
    command = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
               "--disable-background-networking", "--disable-component-update", "--disable-sync",
               "--disable-extensions", "--disable-default-apps", "--mute-audio",
               "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
               f"--user-data-dir={profile}", url]
    with tempfile.TemporaryFile() as log:
        proc = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                                start_new_session=True)
        try:
            deadline = time.monotonic() + timeout
            while not results.finished.wait(0.1):
                if proc.poll() is not None:
                    results.problem(f"chromium exited early with status {proc.returncode}")
                elif time.monotonic() > deadline:
                    results.problem(f"chromium did not finish within {timeout} s")
        finally:
            stop_chromium(proc, profile)
            shutil.rmtree(profile, ignore_errors=True)
        log.seek(0)
        output = log.read().decode(errors="replace")
    # Without a session bus Chromium logs dbus complaints by the dozen; they say nothing here.
    return "".join(line for line in output.splitlines(keepends=True) if "dbus" not in line)


def check_page(args, chromium, charset, entries):
    """Serves one page in the given encoding with a form per entry; returns the
    problems found and Chromium's output."""
    page = build_page([generate(args.buttoncode, e) for e in entries], charset)
    results = Results()
    server = ThreadingHTTPServer(("127.0.0.1", 0), make_handler(page, results, charset))
    serving = threading.Thread(target=server.serve_forever, daemon=True)
    serving.start()
    try:
        url = f"http://127.0.0.1:{server.server_address[1]}/"
        browser_log = run_browser(chromium, url, results, args.timeout)
    finally:
        server.shutdown()
        server.server_close()
    with results.lock:
        problems = list(results.problems)
        problems += check_report(results.report, entries)
        for i, e in enumerate(entries):
            problems += check_submission(i, e, results.submissions.get(i))
    return problems, browser_log


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--buttoncode", required=True, help="the buttoncode driver")
    parser.add_argument("--chromium", help="the browser (default: chromium on PATH)")
    parser.add_argument("--timeout", type=float, default=90, help="seconds to wait for the browser")
    args = parser.parse_args()

    started = time.monotonic()
    chromium = find_chromium(args.chromium)
    if chromium is None:
        print("FAIL: chromium not found; install Debian's chromium package", file=sys.stderr)
        return 1

    problems, browser_log = [], ""
    pages = [("utf-8", ENTRIES), ("windows-1252", [e for e in ENTRIES if e["label"] in CP1252_LABELS])]
    for charset, entries in pages:
        page_problems, log = check_page(args, chromium, charset, entries)
        problems += [f"{charset} page: {p}" for p in page_problems]
        browser_log += log
    elapsed = time.monotonic() - started
    if problems:
        for p in problems:
            print("FAIL:", p)
        print(f"chromium output:\n{browser_log[-3000:]}")
        print(f"{len(problems)} problem(s) in {len(ENTRIES)} entries and {len(CP1252_LABELS)} on the windows-1252 "
              f"page, {elapsed:.1f} s")
        return 1
    print(f"PASS: {len(ENTRIES)} entries and {len(CP1252_LABELS)} on the windows-1252 page parsed and submitted "
          f"by {chromium} as typed, {elapsed:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
