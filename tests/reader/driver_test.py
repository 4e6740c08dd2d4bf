# The buttoncode driver through real pipes: --read gives what it reads as valid JSON
# with quotes, backslashes, controls and non-ASCII intact; a text with no Buy Now
# button exits 5 with the reason on stderr. Then beside headless Chromium: forms
# written oddly, each in a frame of its own under a page served as from
# https://shop.example/; Chromium reports where each would post and what, and the
# reader must find a Buy Now button exactly where Chromium posts cmd=_xclick to
# PayPal, with the same values. (Past 512 levels of nesting Chromium stops nesting,
# unlike the HTML standard and gumbo: the cases stay below.)
import json
import pathlib
import subprocess
import sys
import threading
import urllib.parse
from http.server import ThreadingHTTPServer

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "generator"))
import browser_test  # noqa: E402  (its server and Chromium runner)

read = [sys.argv[1], "--read"]
got = json.loads(subprocess.run(read, capture_output=True, check=True, input=(
    '<form action=https://www.paypal.com/cgi-bin/webscr><input type=hidden name=cmd value=_xclick><input '
    'type=hidden name=amount value=1.50><input type=hidden name=currency_code value=eur><input type=hidden '
    'name=cn value="Say &quot;hi&quot; \\ é€日😀&#1;\t&#13;\n&#127;"></form>').encode()).stdout)
assert (got["NoteTitle"], got["Amount"], got["ChosenImage"], got["NotCarried"]) == \
    ('Say "hi" \\ é€日😀\x01\t\r\n\x7f', "1.50 eur", 1, ["image"]), got
missing = subprocess.run(read, input=b"<p>no button</p>", capture_output=True)
assert (missing.returncode, missing.stderr) == (5, b"No PayPal button was found in this text.\n"), missing

CMD = "<input type=hidden name=cmd value=_xclick>"
ACTIONS = ["//www.paypal.com/cgi-bin/webscr", "///www.paypal.com/cgi-bin/webscr", "/\\www.paypal.com\\cgi-bin/webscr",
           "http:www.paypal.com/cgi-bin/webscr", "https:www.paypal.com/cgi-bin/webscr",
           "https:/www.paypal.com/cgi-bin/webscr",
           "\x01 //www.paypal.com/cgi-bin/webscr\x1f", "//www.pay&shy;pal.com/cgi-bin/webscr",
           "//www.pay\u200bpal.com/cgi-bin/webscr", "//ｗｗｗ．PayPal。com/cgi-bin/webscr",
           "https://WWW.%70aypal.com.:443/cgi-bin/webscr", "//www.p\u0430ypal.com/cgi-bin/webscr",
           "//www.paypal.com%2F@evil.example/cgi-bin/webscr", "//www.paypal.com\uff0fevil.example/cgi-bin/webscr",
           "//paypal.com.evil.example/cgi-bin/webscr", "/cgi-bin/webscr", "www.paypal.com/cgi-bin/webscr"]
CASES = [f"<form method=post action='{a}'>{CMD}</form>" for a in ACTIONS] + [
    "<form method=post action=//www.paypal.com/cgi-bin/webscr>" + CMD +
    "<input type=hidden name=item_name value='a\x01b\x0b\x1f\x7f\x85\ufdd0&#0;\ufffd\uffff\U0001fffe&#1;'>"
    "<textarea name=cn>\x02\x00x</textarea></form>",
    "<form action=https://www.paypal.com/cgi-bin/webscr><button name=cmd value=_xclick>Buy</button></form>",
    "<form action=https://www.paypal.com/cgi-bin/webscr><input type=submit name=cmd value=_xclick></form>",
    "<form method=post action='https://www.paypal.com/cgi-bin/webscr?cmd=_xclick&item_name=Red+pen'></form>",
    "<form action='https://www.paypal.com/cgi-bin/webscr?cmd=_xclick'><input type=submit></form>",
    *(f"<base href='{b}'><form method=post action='{a}'>{CMD}</form>" for b, a in (
        ("//www.paypal.com/x/", "/cgi-bin/webscr"), ("https://www.paypal.com/de/", "cgi-bin/./webscr"),
        ("https://www.paypal.com/cgi-bin/webscr?a=b", "#x"), ("https://www.paypal.com/cgi-bin/webscr", ""),
        ("https://www.paypal.com/cgi-bin/webscr", "https:?cmd=_xclick"), ("/cgi-bin/", "webscr"),
        ("ftp://www.paypal.com/", "//www.paypal.com/cgi-bin/webscr"),
        ("ftp://x/", "https:www.paypal.com/cgi-bin/webscr"))),
    "<div dir=rtl>" + "<span>" * 400 + "<form method=post action=https://www.paypal.com/cgi-bin/webscr>" + CMD +
    "<input name=cn dirname=item_name><input dir=auto name=x dirname=business></form>",
]

# Each case in a frame of its own; the button pressed is the picture, else the first submit button.
SCRIPT = r"""<script>
const post = (path, body) => fetch(location.origin + path, {method: "POST", body: body});
const inspect = html => new Promise(resolve => {
  const frame = document.body.appendChild(document.createElement("iframe"));
  frame.onload = () => {
    const form = frame.contentDocument.forms[0];
    const button = form && (form.querySelector("input[type=image]") ||
      Array.from(form.querySelectorAll("button, input")).find(b => b.type === "submit") || null);
    resolve(form && {action: form.action, method: form.method, entries: Array.from(new FormData(form, button))});
  };
  frame.srcdoc = html;
});
(async () => { const report = []; for (const html of CASES) report.push(await inspect(html));
  await post("/report", JSON.stringify(report)); await post("/done", "{}"); })().catch(e => post("/error", String(e)));
</script>"""


def posts_buy_now(found):
    """Whether Chromium posts cmd=_xclick to PayPal Payments Standard, and the first of each field."""
    url = urllib.parse.urlsplit(found["action"]) if found else urllib.parse.urlsplit("")
    host, path = (url.hostname or "").removesuffix("."), url.path.split("/")[1:]
    paypal = (host == "paypal.com" or host.endswith(".paypal.com")) and path[-2:] == ["cgi-bin", "webscr"] and \
        len(path) in (2, 3) and url.scheme in ("http", "https")
    fields = {}
    for name, value in (found["entries"] + (urllib.parse.parse_qsl(url.query) if found["method"] == "post" else [])
                        if found else []):
        fields.setdefault(name, value)
    return paypal and fields.get("cmd") == "_xclick", fields


def compare_with_chromium():
    chromium = browser_test.find_chromium(None)
    if chromium is None:
        return ["chromium not found; install Debian's chromium package"]
    page = ('<!DOCTYPE html><base href="https://shop.example/"><body><script>const CASES = ' + json.dumps(CASES) +
            ";</script>" + SCRIPT).encode()
    results = browser_test.Results()
    server = ThreadingHTTPServer(("127.0.0.1", 0), browser_test.make_handler(page, results))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        log = browser_test.run_browser(chromium, f"http://127.0.0.1:{server.server_address[1]}/", results, 60)
    finally:
        server.shutdown()
        server.server_close()
    if results.report is None or results.problems:
        return results.problems + ["Chromium reported nothing", log[-2000:]]
    problems = []
    for html, found in zip(CASES, results.report):
        buy_now, fields = posts_buy_now(found)
        run = subprocess.run(read, input=html.encode(), capture_output=True, timeout=10)
        entries = json.loads(run.stdout) if run.returncode == 0 else {}
        if (run.returncode == 0) != buy_now:
            problems.append(f"{html[-160:]!r}: Chromium posts {fields} to {found and found['action']!r}, "
                            f"the reader says {run.stdout or run.stderr!r}")
        problems += [f"{html[-160:]!r}: {name} is {fields.get(name)!r} in Chromium, {entries[entry]!r} in the reader"
                     for name, entry in (("item_name", "ItemName"), ("cn", "NoteTitle"), ("business", "Account"))
                     if buy_now and entries and fields.get(name, "") != entries[entry]]
    return problems


problems = compare_with_chromium()
print("".join(f"FAIL: {p}\n" for p in problems) + f"{2 + len(CASES) - len(problems)} passed, {len(problems)} failed")
sys.exit(1 if problems else 0)
