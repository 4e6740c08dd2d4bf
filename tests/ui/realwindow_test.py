#!/usr/bin/env python3
"""Drives the built quorvane program in a real X window, as a person would.

Each scenario starts the program under a private Xvfb display (no window manager),
clicks into the main window at the places its .ui layout gives, types or pastes the
seller's entries, presses "Generate The Code !" and "Copy The Code !", answers the
"Set!" box and compares the clipboard, byte for byte, with what buttoncode writes for
the same entries. A message box is known by its title and by the red of the stop icon
(present or absent) in the frame buffer; its text cannot be read from outside (Qt
copies a message box with Ctrl+C on Windows only), the window tests check it.

Standard library only; needs Xvfb, xauth, xdotool and xclip, and chromium for the
page check. Exits 0 when every scenario passed, 1 otherwise. On a failure the screen
is saved as a PNG whose path is printed.
"""

import argparse
import json
import os
import re
import secrets
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request
import xml.etree.ElementTree as ET
import zlib
from http.server import ThreadingHTTPServer
from pathlib import Path

SOURCE_DIR = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(SOURCE_DIR / "tests" / "generator"))
import browser_test  # noqa: E402  (its page, server and Chromium runner check the pasted-in page)

SCREEN = (1280, 1024)
STEP_TIMEOUT = 10  # seconds for any one xdotool or xclip call, or for a window to appear
LONG_TIMEOUT = 40  # for the code window and the "Set!" box with 100,000-character entries
OVERALL_TIMEOUT = 165  # below the CTest timeout, so that the clean-up still runs

MAIN_TITLE = "Quorvane"
CODE_TITLE = "The Code!"
ABOUT_TITLE = "Licensed Owner Details"
READ_TITLE = "Read a Button Code"
LINK_TITLE = "PayPal Payment Link"
LINKS_TITLE = "Your PayPal Payment Links"
QR_TITLE = "QR Code"
MOVE_TITLE = "Move Pages to Payment Links"
FAKE_PAYPAL = SOURCE_DIR / "tests" / "paypalapi" / "fakepaypal.py"
PANELS = {"quorvane::CredentialsPanel": "credentialspanel.ui"}  # widget class: its .ui file in ui/


# Which main-window control holds which entry.
TEXT_BOXES = {"ItemName": "Text1", "ItemNumber": "Text2", "Amount": "Text3", "ReturnUrl": "Text4",
              "Account": "Text5", "CancelUrl": "Text6", "OwnImageUrl": "Text7", "NoteTitle": "Text8"}
CHECK_BOXES = {"CollectShipping": "Check1", "AllowQuantity": "Check2", "AllowNote": "Check3"}


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


# --- Layout -------------------------------------------------------------------------


class Layout:
    """Control rectangles of one window, in pixels from its client area's top left,
    read from the window's .ui file (children are placed relative to their container; a
    panel of its own .ui file, such as the credentials panel, is read from that file).
    The main window's form stands below its menu bar, whose height the .ui does not
    give: `menu_height` is set once the window is seen."""

    def __init__(self, ui_file):
        root = ET.parse(ui_file).getroot().find("widget")
        self.rects = {}
        self.containers = {}
        self._walk(root, 0, 0, None)
        self.form = self.rects.get("formArea", self._rect(root))[2:]
        self.menu_height = 0

    @property
    def size(self):
        return self.form[0], self.form[1] + self.menu_height

    @staticmethod
    def _rect(widget):
        r = widget.find("property[@name='geometry']/rect")
        if r is None:  # placed by a layout: at the top left of what holds it
            return 0, 0, 0, 0
        return tuple(int(r.find(k).text) for k in ("x", "y", "width", "height"))

    def _walk(self, widget, ox, oy, container):
        if widget.get("class") in PANELS:
            widget = ET.parse(SOURCE_DIR / "ui" / PANELS[widget.get("class")]).getroot().find("widget")
        children = widget.findall("widget") + widget.findall("layout/item/widget")
        for child in children:
            if child.get("name") == "menuBar":
                continue
            x, y, w, h = self._rect(child)
            name = child.get("name")
            self.rects[name] = (ox + x, oy + y, w, h)
            self.containers[name] = container
            self._walk(child, ox + x, oy + y, name)

    def visible_rect(self, name):
        """The part of a control its container shows."""
        x, y, w, h = self.rects[name]
        if name in ("formScroller", "formArea"):
            return x, y + self.menu_height, self.form[0], self.form[1]
        if self.containers[name] is not None:
            y += self.menu_height  # everything in the form stands below the menu bar
        container = self.containers[name]
        if container is not None:
            cx, cy, cw, ch = self.visible_rect(container)
            x2, y2 = min(x + w, cx + cw), min(y + h, cy + ch)
            x, y = max(x, cx), max(y, cy)
            w, h = x2 - x, y2 - y
        return x, y, w, h

    def centre(self, name):
        x, y, w, h = self.visible_rect(name)
        return x + w // 2, y + h // 2

    def indicator(self, name):
        """The tick box or round button of a check box or option button, at its left
        end: a click on the caption's far end would miss a short caption."""
        x, y, w, h = self.visible_rect(name)
        return x + 7, y + h // 2


# --- Processes and the display ---------------------------------------------------------


def stop(proc, grace=5):
    """Ends a process we started, and its process group, and reaps it."""
    if proc is None or proc.poll() is not None:
        return
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(proc.pid, sig)
        except ProcessLookupError:
            pass
        try:
            proc.wait(timeout=grace)
            return
        except subprocess.TimeoutExpired:
            continue


def xwd_to_png(xwd, png):
    """Converts Xvfb's frame-buffer file (XWD, 32 bits a pixel, BGRX) to a PNG."""
    data = xwd.read_bytes()
    header = struct.unpack(">25I", data[:100])
    header_size, width, height, bytes_per_line, colours = header[0], header[4], header[5], header[12], header[19]
    offset = header_size + colours * 12
    rows = []
    for y in range(height):
        row = data[offset + y * bytes_per_line:offset + y * bytes_per_line + width * 4]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = row[2::4], row[1::4], row[0::4]
        rows.append(b"\0" + bytes(rgb))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                    chunk(b"IDAT", zlib.compress(b"".join(rows), 6)) + chunk(b"IEND", b""))


class Display:
    """A private Xvfb with its own cookie, on the first free display number from a
    per-process start, so that parallel runs do not meet."""

    def __init__(self, workdir, size=SCREEN):
        self.workdir = workdir
        self.size = size
        self.proc = None
        self.framebuffer = workdir / "fb"
        self.framebuffer.mkdir()
        self.auth = workdir / "Xauthority"
        self.auth.touch()
        runtime = workdir / "runtime"
        runtime.mkdir(mode=0o700)
        start = 100 + os.getpid() % 800
        for number in range(start, start + 60):
            if Path(f"/tmp/.X{number}-lock").exists() or Path(f"/tmp/.X11-unix/X{number}").exists():
                continue
            if self._try(number):
                break
        else:
            raise Failure("no free X display number for Xvfb")
        self.env = dict(os.environ, DISPLAY=self.name, XAUTHORITY=str(self.auth), XDG_RUNTIME_DIR=str(runtime),
                        QT_QPA_PLATFORM="xcb", NO_AT_BRIDGE="1")
        for name in ("WAYLAND_DISPLAY", "QT_IM_MODULE", "XMODIFIERS", "SESSION_MANAGER",
                     "DBUS_SESSION_BUS_ADDRESS"):
            self.env.pop(name, None)

    def _try(self, number):
        name = f":{number}"
        subprocess.run(["xauth", "-q", "-f", str(self.auth), "add", name, ".", secrets.token_hex(16)], check=True,
                       timeout=STEP_TIMEOUT)
        log = open(self.workdir / f"xvfb{number}.log", "wb")
        self.proc = subprocess.Popen(
            ["Xvfb", name, "-screen", "0", f"{self.size[0]}x{self.size[1]}x24", "-nolisten", "tcp", "-noreset", "-auth",
             str(self.auth), "-fbdir", str(self.framebuffer)],
            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        log.close()
        env = dict(os.environ, DISPLAY=name, XAUTHORITY=str(self.auth))
        deadline = time.monotonic() + STEP_TIMEOUT
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                self.proc = None
                return False  # another server took the number meanwhile
            probe = subprocess.run(["xdotool", "getdisplaygeometry"], env=env, capture_output=True,
                                   timeout=STEP_TIMEOUT)
            if probe.returncode == 0:
                self.name = name
                return True
            time.sleep(0.05)
        stop(self.proc)
        self.proc = None
        return False

    def rows(self, rect):
        """The (red, green, blue) of every pixel of a part of the screen, row by row."""
        data = (self.framebuffer / "Xvfb_screen0").read_bytes()
        header = struct.unpack(">25I", data[:100])
        offset, bytes_per_line = header[0] + header[19] * 12, header[12]
        x, y, w, h = rect
        for row in range(y, y + h):
            line = data[offset + row * bytes_per_line + x * 4:offset + row * bytes_per_line + (x + w) * 4]
            yield list(zip(line[2::4], line[1::4], line[0::4]))

    def has_red(self, rect):
        """Whether a part of the screen shows the red of a critical-stop icon."""
        return any(sum(1 for r, g, b in row if r > 180 and g < 90 and b < 90) > 20 for row in self.rows(rect))

    def share(self, rect, colour, tolerance=12):
        """The share of a part of the screen whose pixels show about this colour."""
        near = sum(1 for row in self.rows(rect) for p in row if max(abs(a - b) for a, b in zip(p, colour)) <= tolerance)
        return near / max(1, rect[2] * rect[3])

    def screenshot(self, label):
        source = self.framebuffer / "Xvfb_screen0"
        fd, path = tempfile.mkstemp(prefix=f"quorvane-realwindow-{label}-", suffix=".png")
        os.close(fd)
        try:
            xwd_to_png(source, Path(path))
        except (OSError, struct.error) as err:
            return f"(no screenshot: {err})"
        return path

    def close(self):
        stop(self.proc)


class Desktop:
    """What a person does at the screen: xdotool for the mouse, the keyboard and the
    window list, xclip for the clipboard."""

    def __init__(self, display):
        self.display = display
        self.env = display.env
        self.clipboard_owner = None

    def run(self, *args, timeout=STEP_TIMEOUT):
        # Xvfb now and then turns a new client away; such a client did nothing, so
        # starting it once more is safe.
        for _ in range(3):
            done = subprocess.run(list(args), env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                                  timeout=timeout)
            if done.returncode == 0 or b"Can't open display" not in done.stderr:
                break
            time.sleep(0.1)
        return done

    def xdotool(self, *args):
        done = self.run("xdotool", *args)
        check(done.returncode == 0, f"xdotool {' '.join(args)} failed: {done.stderr.decode(errors='replace')}")
        return done.stdout.decode()

    def windows(self, title, visible=True):
        """The windows whose title is exactly `title` (only mapped ones unless told)."""
        args = ["search"] + (["--onlyvisible"] if visible else []) + ["--name", f"^{re.escape(title)}$"]
        done = self.run("xdotool", *args)
        return [int(w) for w in done.stdout.split()]

    def all_windows(self):
        done = self.run("xdotool", "search", "--name", ".")
        return [int(w) for w in done.stdout.split()]

    def wait_window(self, title, exclude=(), timeout=STEP_TIMEOUT):
        deadline = time.monotonic() + timeout
        while True:
            found = [w for w in self.windows(title) if w not in exclude]
            if found:
                return found[0]
            if time.monotonic() > deadline:
                raise Failure(f"no window titled {title!r} appeared within {timeout} s")
            time.sleep(0.03)

    def wait_gone(self, window, timeout=STEP_TIMEOUT):
        deadline = time.monotonic() + timeout
        while window in self.visible_windows():
            if time.monotonic() > deadline:
                raise Failure(f"window {window} is still shown after {timeout} s")
            time.sleep(0.03)

    def visible_windows(self):
        done = self.run("xdotool", "search", "--onlyvisible", "--name", ".")
        return [int(w) for w in done.stdout.split()]

    def geometry(self, window):
        fields = dict(line.split("=", 1) for line in self.xdotool("getwindowgeometry", "--shell", str(window)).split())
        return int(fields["X"]), int(fields["Y"]), int(fields["WIDTH"]), int(fields["HEIGHT"])

    def absolute_geometry(self, window):
        """Where the client area stands on the screen; under a window manager xdotool
        adds the frame's offset to it."""
        info = self.run("xwininfo", "-id", str(window)).stdout.decode()
        fields = dict(re.findall(r"^\s*(Absolute upper-left [XY]|Width|Height):\s*(-?\d+)", info, re.M))
        return tuple(int(fields[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def click(self, window, point):
        """A left click at a point of the window's client area."""
        x, y, _, _ = self.geometry(window)
        # No --sync: it waits forever when the pointer is already there. The server
        # handles the move and the click in the order they are sent.
        self.xdotool("mousemove", str(x + point[0]), str(y + point[1]), "click", "1")

    def key(self, *keys):
        self.xdotool("key", "--delay", "20", *keys)

    def type(self, text):
        check(text.isascii(), "only ASCII is typed; other text is pasted")
        self.xdotool("type", "--delay", "4", text)

    def set_clipboard(self, data):
        """Makes an xclip process own the clipboard with `data`, and waits until it serves it."""
        self.release_clipboard()
        source = self.display.workdir / "clipboard.bin"
        source.write_bytes(data)
        owner = self.clipboard_owner = subprocess.Popen(
            ["xclip", "-selection", "clipboard", "-t", "UTF8_STRING", "-quiet", "-i", str(source)], env=self.env,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        deadline = time.monotonic() + STEP_TIMEOUT
        while self.clipboard() != data:
            check(time.monotonic() < deadline, "xclip did not take the clipboard")
            time.sleep(0.03)
        return owner

    def release_clipboard(self):
        stop(self.clipboard_owner)
        self.clipboard_owner = None

    def clipboard(self):
        done = self.run("xclip", "-selection", "clipboard", "-t", "UTF8_STRING", "-o", timeout=30)
        return done.stdout if done.returncode == 0 else None


# --- The program --------------------------------------------------------------------


class Tool:
    """One run of quorvane on the display, with the main window found and checked."""

    def __init__(self, program, desktop, layout, env=None):
        self.desktop = desktop
        self.layout = layout
        self.log = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([program], env=env or desktop.env, stdin=subprocess.DEVNULL, stdout=self.log,
                                     stderr=subprocess.STDOUT, start_new_session=True)
        self.main = None

    def wait_main(self):
        self.main = self.desktop.wait_window(MAIN_TITLE)
        # Without a window manager the window stands where the program put it: its
        # client area, the layout's size, centred on the screen.
        x, y, w, h = self.desktop.geometry(self.main)
        self.layout.menu_height = h - self.layout.form[1]
        check(w == self.layout.form[0] and 10 <= self.layout.menu_height <= 40,
              f"main window is {w}x{h}, the layout says a form of {self.layout.form} under a menu bar")
        centred = ((SCREEN[0] - w) // 2, (SCREEN[1] - h) // 2)
        check(abs(x - centred[0]) <= 1 and abs(y - centred[1]) <= 1, f"main window at {x},{y}, centred is {centred}")

    def output(self):
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def click(self, name):
        self.desktop.click(self.main, self.layout.centre(name))

    def tick(self, name):
        self.desktop.click(self.main, self.layout.indicator(name))

    def choose_picture(self, k):
        self.click(f"Image{k}")

    def type_into(self, name, text):
        self.click(name)
        self.desktop.key("ctrl+a")
        self.desktop.type(text)

    def paste_into(self, name, data):
        """Pastes into a text box over its text, then copies the box back out: what
        it holds. xclip lets go of the clipboard only when the box takes it for the
        copy, which Qt does after the paste, so nothing else can be pasted meanwhile."""
        owner = self.desktop.set_clipboard(data)
        self.click(name)
        self.desktop.key("ctrl+a", "ctrl+v", "ctrl+a", "ctrl+c")
        try:
            owner.wait(timeout=STEP_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failure(f"{name} copied nothing back after the paste")
        held = self.desktop.clipboard()
        check(held is not None, f"nothing on the clipboard after copying out of {name}")
        return held

    def answer_box(self, window):
        """Presses Enter in a message box: its OK button."""
        self.desktop.xdotool("mousemove", "--window", str(window), "10", "10")
        self.desktop.key("Return")
        self.desktop.wait_gone(window)

    def fill(self, entry, paste=False):
        """Enters a seller's entries: every text box, the option, the ticks, the
        picture. Returns the entries as the boxes hold them."""
        held = dict(entry)
        for field, box in TEXT_BOXES.items():
            value = browser_test.sent_bytes(entry[field])
            if paste:
                held[field] = self.paste_into(box, value).decode("utf-8")
            else:
                self.type_into(box, value.decode("ascii"))
        self.tick("Option2" if entry["UseOwnImage"] else "Option1")
        for field, box in CHECK_BOXES.items():
            if entry[field] == browser_test.TICKED:
                self.tick(box)
        self.choose_picture(entry["ChosenImage"])
        return held

    def generate(self, timeout):
        """Presses "Generate The Code !" and returns the code window."""
        self.click("Command1")
        return self.desktop.wait_window(CODE_TITLE, timeout=timeout)

    def copy_code(self, code_window, code_layout, timeout):
        """Presses "Copy The Code !", reads the clipboard and answers the "Set!" box."""
        self.desktop.release_clipboard()
        self.desktop.click(code_window, code_layout.centre("Command1"))
        box = self.desktop.wait_window("Set!", timeout=timeout)
        copied = self.desktop.clipboard()
        check(not self.desktop.display.has_red(self.desktop.geometry(box)), "the Set! box shows a stop icon")
        self.answer_box(box)
        return copied

    def exit(self):
        """Presses "Exit": the program must end with status 0 and leave no window."""
        self.click("Command3")
        try:
            status = self.proc.wait(timeout=STEP_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failure("the program still runs after Exit")
        check(status == 0, f"the program ended with status {status} after Exit")
        left = self.desktop.all_windows()
        check(not left, f"windows left after Exit: {left}")

    def close(self):
        self.desktop.release_clipboard()
        stop(self.proc)
        self.log.close()


# --- Scenarios ----------------------------------------------------------------------


def seller(label, **fields):
    """A seller's entries in browser_test's form; a text is a str (pasted or typed as
    UTF-8) or a pair (bytes entered, str a browser must post for them)."""
    e = {"label": label, "CollectShipping": browser_test.UNTICKED, "AllowQuantity": browser_test.UNTICKED,
         "AllowNote": browser_test.UNTICKED, "UseOwnImage": 0, "ChosenImage": 1}
    e.update(fields)
    e["UsePresetImage"] = 1 - e["UseOwnImage"]
    return e


PLAIN = seller("plain", Account="seller@example.com", ItemName="Blue mug", ItemNumber="MUG-01", Amount="9.99",
               ReturnUrl="https://shop.example/thanks", CancelUrl="https://shop.example/cancel",
               OwnImageUrl="http://shop.example/unused.png", NoteTitle="Gift message",
               CollectShipping=browser_test.TICKED, AllowNote=browser_test.TICKED, ChosenImage=5)

# Every box holds what PayPal takes, as close to breaking the markup as it allows.
HOSTILE = seller("hostile", Account='"seller\\"\'<b>"@example.com',
                 ItemName='</form><script>alert(1)</script>Жук<form action="https://evil.example/">',
                 ItemNumber="Café € 👨‍👩‍👧", Amount="eur 12.50", ReturnUrl="https://shop.example/😀?a=1&b=<2>",
                 CancelUrl="https://shop.example/👍🏽𝄞日本茶?\"'<>",
                 OwnImageUrl='https://shop.example/"><script>alert(2)</script><img/src="x',
                 NoteTitle="&#49; &amp; &lt;x&gt; ' \" '' -->\u200b\u200e|\ufeff|", UseOwnImage=1, ChosenImage=7,
                 AllowQuantity=browser_test.TICKED)

# PayPal would refuse the price and the success page; the price comes first on the window.
REFUSED = dict(PLAIN, label="refused", Amount="12,50", ReturnUrl="shop.example/thanks")

OWN_IMAGE = seller("own image", Account="pics@example.com", ItemName="Poster", ItemNumber="P-7", Amount="12.50",
                   ReturnUrl="https://shop.example/ok", CancelUrl="https://shop.example/no",
                   OwnImageUrl="https://shop.example/images/pay-here.png", NoteTitle="", UseOwnImage=1,
                   ChosenImage=3, AllowQuantity=browser_test.TICKED, CollectShipping=browser_test.TICKED)

# NUL, C0 controls, DEL, line breaks and invisible characters, pasted into the one-line
# entries. A QLineEdit keeps every one of them (Qt 6.4, xcb); only the clipboard reader
# drops one NUL at the very end and a byte-order mark at the very start (see
# kept_by_paste). Every pasted box is copied back out to prove it; PayPal would refuse
# the controls and line breaks.
CONTROLS = seller("controls", Account="seller@example.com", ItemName="\x00edges\x00\x00 nul\x00in the middle",
                  ItemNumber="\x01\x02\x03\x1b[31m\x7f tab\there\x08", Amount="9.99",
                  ReturnUrl="https://shop.example/ok", CancelUrl="https://shop.example/no",
                  OwnImageUrl="https://x.example/pay.png",
                  NoteTitle="\ufeffbom first \u2028\u2029\u200b\u200e cr\rlf\ncrlf\r\n \x1f\x0b\x0c|\ufeff|\x1c\x1d\x1e",
                  UseOwnImage=1, ChosenImage=2, AllowNote=browser_test.TICKED)

LONG_SIZE = 100_000


def long_text(field_index, size=LONG_SIZE):
    """`size` characters, mostly markup, with a head and a non-ASCII tail of its own;
    100,000 are small enough in UTF-8 for one command-line argument (128 KiB)."""
    head, tail = f"[{field_index}]", f"Жук€😀{field_index}"
    body = '</form><script>alert(1)</script>"\'&<> '
    middle = size - len(head) - len(tail)
    return head + (body * (middle // len(body) + 1))[:middle] + tail


def long_address(field_index):
    """An address of the 1,024 characters PayPal takes, mostly markup."""
    base, tail = "https://shop.example/?", f"Жук€😀{field_index}"
    body = '</form><script>alert(1)</script>"\'&<>'
    middle = browser_test.MAX_ADDRESS - len(base) - len(tail)
    return base + (body * (middle // len(body) + 1))[:middle] + tail


# The longest entries PayPal takes, and a note title, which has no limit, of 100,000.
LONG = seller("long", Account="seller@example.com", ItemName=long_text(1, browser_test.MAX_ITEM),
              ItemNumber=long_text(2, browser_test.MAX_ITEM), Amount="JPY 99999", ReturnUrl=long_address(4),
              CancelUrl=long_address(5), OwnImageUrl=long_address(6), NoteTitle=long_text(7), UseOwnImage=1,
              ChosenImage=4, CollectShipping=browser_test.TICKED)


def kept_by_paste(data):
    """What a text box holds after pasting `data` from another program. Qt's X11
    clipboard reader takes one NUL at the very end for a C string's terminator and
    drops it, and its UTF-8 decoder drops a byte-order mark at the very start;
    everything else stays, other NULs, marks and controls included."""
    if data.endswith(b"\0"):
        data = data[:-1]
    return data.removeprefix("\ufeff".encode("utf-8"))


class Scenarios:
    def __init__(self, args, display, workdir):
        self.args = args
        self.desktop = Desktop(display)
        self.workdir = workdir
        self.main_layout = Layout(SOURCE_DIR / "ui" / "form1.ui")
        self.code_layout = Layout(SOURCE_DIR / "ui" / "form2.ui")
        self.about_layout = Layout(SOURCE_DIR / "ui" / "form3.ui")
        self.link_layout = Layout(SOURCE_DIR / "ui" / "form5.ui")
        self.links_layout = Layout(SOURCE_DIR / "ui" / "form6.ui")
        self.qr_layout = Layout(SOURCE_DIR / "ui" / "form7.ui")
        self.move_layout = Layout(SOURCE_DIR / "ui" / "form8.ui")
        self.pages = []  # (entry, code) for the browser check
        self.running = []  # left running by a failure, until the screen is saved

    def start(self, env=None):
        tool = Tool(self.args.quorvane, self.desktop, self.main_layout, env)
        self.running.append(tool)
        tool.wait_main()
        return tool

    def close_all(self):
        while self.running:
            self.running.pop().close()

    def generate_and_copy(self, tool, entry, timeout=STEP_TIMEOUT):
        """Generate, copy, and compare the clipboard with buttoncode's code."""
        window = tool.generate(timeout)
        check(self.desktop.geometry(window)[2:] == self.code_layout.size,
              f"code window is not {self.code_layout.size}")
        check(self.desktop.windows(CODE_TITLE) == [window], "more than one code window")
        copied = tool.copy_code(window, self.code_layout, timeout)
        want = browser_test.generate(self.args.buttoncode, entry)
        if copied != want:
            at = next((i for i, (a, b) in enumerate(zip(copied or b"", want)) if a != b),
                      min(len(copied or b""), len(want)))
            raise Failure(f"{entry['label']}: clipboard holds {len(copied or b'')} bytes, buttoncode wrote "
                          f"{len(want)}; first difference at byte {at}: "
                          f"{(copied or b'')[at:at + 60]!r} instead of {want[at:at + 60]!r}")
        return copied

    def plain_seller(self):
        """Typed ASCII entries, two ticks and a picture; then every preset picture and
        other ticks through the same code window; About; Exit with all three open."""
        tool = self.start()
        tool.fill(PLAIN)
        self.generate_and_copy(tool, PLAIN)
        entry = dict(PLAIN)
        for k in (2, 3, 4, 1, 6, 7, 8):
            tool.choose_picture(k)
            entry["ChosenImage"] = k
            self.generate_and_copy(tool, entry)
        for box in CHECK_BOXES.values():
            tool.tick(box)
        entry.update(CollectShipping=browser_test.UNTICKED, AllowQuantity=browser_test.TICKED,
                     AllowNote=browser_test.UNTICKED)
        self.generate_and_copy(tool, entry)

        tool.click("Command4")
        about = self.desktop.wait_window(ABOUT_TITLE)
        check(self.desktop.geometry(about)[2:] == self.about_layout.size,
              f"about window is not {self.about_layout.size}")
        tool.click("Command4")
        time.sleep(0.3)
        check(self.desktop.windows(ABOUT_TITLE) == [about], "a second press of About opened another window")
        check(len(self.desktop.windows(CODE_TITLE)) == 1, "the code window went away")
        tool.exit()

    def taller_than_the_screen(self):
        """At twice the size the main window's form is taller than the screen: the
        window fits the screen, centred across, with room above it for a title bar,
        and its form scrolls."""
        tool = Tool(self.args.quorvane, self.desktop, self.main_layout, dict(self.desktop.env, QT_SCALE_FACTOR="2"))
        self.running.append(tool)
        x, y, w, h = self.desktop.geometry(self.desktop.wait_window(MAIN_TITLE))
        check(2 * self.main_layout.form[1] > SCREEN[1], "the form is not taller than the screen at twice the size")
        check(y > 0 and y + h <= SCREEN[1], f"main window at {x},{y} is {w}x{h}: not on a {SCREEN} screen")
        check(abs(x - (SCREEN[0] - w) // 2) <= 1, f"main window at {x},{y} is not centred across")

    def small_screen(self):
        """At 1366x768 and 1.5 times the size, under a window manager: the whole frame,
        title bar included, starts on the screen, and Tab reaches Generate and scrolls
        it into view, where Space presses it."""
        workdir = self.workdir / "small-screen"
        workdir.mkdir()
        display = Display(workdir, size=(1366, 768))
        desktop = Desktop(display)
        manager = subprocess.Popen(["openbox"], env=desktop.env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        tool = None
        try:
            deadline = time.monotonic() + STEP_TIMEOUT
            while b"window id" not in desktop.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK").stdout:
                check(time.monotonic() < deadline, "openbox did not start")
                time.sleep(0.05)
            tool = Tool(self.args.quorvane, desktop, self.main_layout, dict(desktop.env, QT_SCALE_FACTOR="1.5"))
            window = tool.main = desktop.wait_window(MAIN_TITLE)
            extents = b""
            while b"=" not in extents:
                check(time.monotonic() < deadline, "the window manager framed no window")
                extents = desktop.run("xprop", "-id", str(window), "_NET_FRAME_EXTENTS").stdout
                time.sleep(0.05)
            time.sleep(0.5)  # the window is placed again once its frame is known
            left, right, top, bottom = (int(n) for n in extents.split(b"=")[1].split(b","))
            x, y, w, h = desktop.absolute_geometry(window)
            check(x - left >= 0 and y - top >= 0 and x + w + right <= 1366 and y + h + bottom <= 768,
                  f"frame {x - left},{y - top} {w + left + right}x{h + top + bottom} is not inside 1366x768")
            # Generate, scrolled to the form's foot, stands where the form's foot stands.
            gx, gy, gw, gh = (round(v * 1.5) for v in self.main_layout.rects["Command1"])
            foot = round(self.main_layout.form[1] * 1.5)
            face = (x + gx + 8, y + h - (foot - gy) + 6, gw - 16, gh - 12)
            panel = (0x67, 0x42, 0x32)
            check(display.share(face, panel) < 0.5, "Generate shows before the form is scrolled")
            desktop.key(*["Tab"] * 12)  # from the account, past eleven controls, to Generate
            time.sleep(0.5)
            check(display.share(face, panel) > 0.6, "Generate, focused, is not scrolled into view")
            desktop.key("space")
            desktop.wait_window("Error")
        finally:
            if tool is not None:
                tool.close()
            stop(manager)
            display.close()

    def read_a_button(self):
        """Ctrl+O, a button's code pasted, Ctrl+Return: the reader closes, the form holds
        the button's entries over what stood there, and Generate writes the same bytes."""
        code = browser_test.generate(self.args.buttoncode, HOSTILE)
        tool = self.start()
        tool.fill(PLAIN)
        self.desktop.wait_gone(self.open_reader_and_read(tool, code))
        check(self.generate_and_copy(tool, HOSTILE) == code, "the code read back is not the code written")
        tool.exit()

    def menus(self):
        """The menu bar from the first frame: a click on "Button", or Alt+B, opens its
        menu, whose first command opens the reader."""
        for opening in ("click", "alt+b"):
            tool = self.start()
            tool.click("Text5")
            if opening == "click":
                self.desktop.click(tool.main, (20, self.main_layout.menu_height // 2))
            else:
                self.desktop.key("alt+b")
            self.desktop.key("Down", "Return")
            reader = self.desktop.wait_window(READ_TITLE)
            self.desktop.key("Escape")
            self.desktop.wait_gone(reader)
            tool.exit()

    def assistive_technology(self):
        """A screen reader's bus, running from the start or started once the main window
        is up: the window shows it, first of its controls, the menu bar "Menu bar" with
        its titles, and the account entry by its caption."""
        def session(args, **env):
            return subprocess.Popen(args, env=dict(self.desktop.env, **env), stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL, text=True, start_new_session=True)
        for bus_first in (True, False):
            bus = session(["dbus-daemon", "--session", "--nofork", "--print-address"])
            launcher = None
            try:
                env = dict(DBUS_SESSION_BUS_ADDRESS=bus.stdout.readline().strip(), NO_AT_BRIDGE="0",
                           QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
                launch = ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"]
                launcher = session(launch, **env) if bus_first else None
                tool = self.start(dict(self.desktop.env, **env))
                launcher = launcher or session(launch, **env)
                reader = session(["/usr/bin/python3", "-c", ATSPI_FIRST_PART], **env)
                seen = reader.communicate(timeout=STEP_TIMEOUT)[0]
                check(seen == "menu bar 'Menu bar': Button, Help\ntext 'Your Paypal Account:'\n",
                      f"assistive technology sees {seen!r} with its bus started {'before' if bus_first else 'after'}")
                tool.exit()
            finally:
                stop(launcher)
                stop(bus)

    def open_reader_and_read(self, tool, code):
        """Ctrl+O, the code pasted, Ctrl+Return; returns the reader window."""
        tool.click("Text5")  # the keyboard goes to the window it clicks
        self.desktop.key("ctrl+o")
        reader = self.desktop.wait_window(READ_TITLE)
        _, _, w, h = self.desktop.geometry(reader)
        self.desktop.set_clipboard(code)
        self.desktop.click(reader, (w // 2, h // 2))
        self.desktop.key("ctrl+v", "ctrl+Return")
        return reader

    def abandoned_reads(self):
        """Two reads of markup nested too deep for any page, each left with Escape at
        once: a button then reads within 1 s. Exit during a third such read ends the
        program within 1 s."""
        hostile = b"<b>" * 300000 + browser_test.generate(self.args.buttoncode, PLAIN)
        tool = self.start()
        for _ in range(2):
            reader = self.open_reader_and_read(tool, hostile)
            time.sleep(0.3)
            self.desktop.key("Escape")
            self.desktop.wait_gone(reader)
        reader = self.open_reader_and_read(tool, browser_test.generate(self.args.buttoncode, HOSTILE))
        started = time.monotonic()
        self.desktop.wait_gone(reader)
        took = time.monotonic() - started
        check(took < 1, f"a button took {took:.2f} s to read after two abandoned reads")
        self.open_reader_and_read(tool, hostile)
        time.sleep(0.3)
        tool.click("Command3")
        status = tool.proc.wait(timeout=1)  # a time-out fails the scenario
        check(status == 0, f"the program ended with status {status} after Exit during a read")

    def payment_link(self):
        """Ctrl+L on a filled form, Sandbox, an app's credentials and Create, against a
        fake PayPal on the loopback: Copy Link and Copy Code put the link PayPal made and
        its page code, with the chosen picture, on the clipboard."""
        fake = subprocess.Popen([sys.executable, str(FAKE_PAYPAL)], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)
        try:
            port = int(fake.stdout.readline().split()[1])
            tool = self.start(dict(self.desktop.env, QUORVANE_PAYPAL_API=f"http://127.0.0.1:{port}",
                                   DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent"))
            tool.fill(PLAIN)
            tool.click("Text5")
            self.desktop.key("ctrl+l")
            window = self.desktop.wait_window(LINK_TITLE)
            layout = self.link_layout
            self.desktop.click(window, layout.indicator("optSandbox"))
            for box, typed in (("txtClientId", "shop-app"), ("txtSecret", "fake-secret")):
                self.desktop.click(window, layout.centre(box))
                self.desktop.type(typed)
            self.desktop.click(window, layout.centre("cmdCreate"))
            link, deadline = b"", time.monotonic() + STEP_TIMEOUT
            while not link.startswith(b"https://"):
                check(time.monotonic() < deadline, "no link to copy after Create")
                time.sleep(0.2)
                self.desktop.click(window, layout.centre("cmdCopyLink"))
                link = self.desktop.clipboard() or b""
            self.desktop.click(window, layout.centre("cmdCopyCode"))
            picture = b"https://www.paypal.com/images/x-click-but5.gif"
            want = b'<a href="' + link + b'"><img src="' + picture + b'" alt="Buy Now with PayPal" border="0"></a>'
            check(self.desktop.clipboard() == want, f"the page code copied is {self.desktop.clipboard()!r}")
            tool.exit()
        finally:
            fake.stdin.close()
            calls = [json.loads(line) for line in fake.stdout]
            fake.wait(timeout=STEP_TIMEOUT)
        check([c["path"] for c in calls] == ["/v1/oauth2/token", "/v1/checkout/payment-resources"],
              f"PayPal was asked {[c['path'] for c in calls]}")
        check(all(c["client"] == "shop-app" and not c["problems"] for c in calls), f"PayPal saw {calls}")

    def payment_links(self):
        """Ctrl+K, Sandbox, Show Links against a fake PayPal with 250 links, the filter,
        Copy Link, QR Code… and Save PNG… in the save dialog, then Delete…: Enter takes
        No, the default; Yes deletes, and PayPal saw one DELETE, for that link alone."""
        fake = subprocess.Popen([sys.executable, str(FAKE_PAYPAL), "--links", "250"], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        line = b""
        try:
            port = int(fake.stdout.readline().split()[1])
            threading.Thread(target=fake.stdout.read, daemon=True).start()  # its log of calls, unread
            deletes = lambda: json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/fake/deletes", timeout=5))
            tool = self.start(dict(self.desktop.env, QUORVANE_PAYPAL_API=f"http://127.0.0.1:{port}",
                                   DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent"))
            tool.click("Text5")
            self.desktop.key("ctrl+k")
            window = self.desktop.wait_window(LINKS_TITLE)
            layout = self.links_layout
            check(self.desktop.geometry(window)[2:] == layout.size, f"the list window is not {layout.size}")
            self.desktop.click(window, layout.indicator("optSandbox"))
            for box, typed in (("txtClientId", "shop-app"), ("txtSecret", "fake-secret")):
                self.desktop.click(window, layout.centre(box))
                self.desktop.type(typed)
            self.desktop.click(window, layout.centre("cmdShow"))
            self.desktop.click(window, layout.centre("txtFilter"))
            self.desktop.type("sku-249")
            # The last link of the third page, alone in the first row once it has come.
            x, y, _, _ = layout.visible_rect("tblLinks")
            first_row = (x + 100, y + 36)
            want = f"https://www.sandbox.paypal.com/ncp/payment/{zlib.crc32(b'shop-app'):08X}00249".encode()
            deadline = time.monotonic() + STEP_TIMEOUT
            while line != want:
                check(time.monotonic() < deadline, f"Copy Link of the filtered row copied {line!r}, not {want!r}")
                time.sleep(0.2)
                self.desktop.click(window, first_row)
                self.desktop.click(window, layout.centre("cmdCopyLink"))
                line = self.desktop.clipboard() or b""

            self.desktop.click(window, layout.centre("cmdQrCode"))
            qr = self.desktop.wait_window(QR_TITLE)
            self.desktop.click(qr, self.qr_layout.centre("cmdSavePng"))
            dialog = self.desktop.wait_window("Save the QR Code as PNG")
            saved = self.workdir / "link-249.png"
            self.desktop.key("ctrl+a")
            self.desktop.type(str(saved))
            self.desktop.key("Return")
            self.desktop.wait_gone(dialog)
            deadline = time.monotonic() + STEP_TIMEOUT
            while not saved.exists():
                check(time.monotonic() < deadline, "Save PNG… wrote no file")
                time.sleep(0.1)
            png = saved.read_bytes()
            width, height = struct.unpack(">II", png[16:24])
            check(png.startswith(b"\x89PNG") and width == height >= 1200, f"the PNG saved is {width}x{height}")
            self.desktop.key("Escape")
            self.desktop.wait_gone(qr)

            self.desktop.click(window, first_row)
            for answer in ("Return", "alt+y"):
                self.desktop.click(window, layout.centre("cmdDelete"))
                box = self.desktop.wait_window("Delete Payment Link")
                self.desktop.key(answer)
                self.desktop.wait_gone(box)
                if answer == "Return":
                    time.sleep(0.5)
                    check(deletes() == {}, f"Enter in the question deleted {deletes()}")
            rid = f"PLB-{zlib.crc32(b'shop-app'):08X}00249"
            deadline = time.monotonic() + STEP_TIMEOUT
            while deletes() != {rid: 1}:
                check(time.monotonic() < deadline, f"PayPal saw the DELETEs {deletes()}, not one for {rid}")
                time.sleep(0.2)
            tool.exit()
        finally:
            fake.stdin.close()
            fake.wait(timeout=STEP_TIMEOUT)

    def without_network_module(self):
        """A copy of the program whose network module is removed, then broken: Ctrl+L
        shows one error box and no link window, and Generate still writes buttoncode's
        code."""
        source = Path(self.args.quorvane)
        module = next(source.parent.parent.glob("lib*/**/quorvane/network.so"), None)
        check(module is not None, f"no network module beside {source}")
        copy = self.workdir / "copy"
        (copy / "bin").mkdir(parents=True)
        shutil.copy2(source, copy / "bin" / "quorvane")
        broken = copy / module.relative_to(source.parent.parent)
        shutil.copytree(module.parent, broken.parent)
        broken.unlink()
        for missing in (True, False):
            if not missing:
                broken.write_bytes(b"not a module\n")
            tool = Tool(str(copy / "bin" / "quorvane"), self.desktop, self.main_layout)
            self.running.append(tool)
            tool.wait_main()
            tool.fill(PLAIN)
            tool.click("Text5")
            self.desktop.key("ctrl+l")
            box = self.desktop.wait_window("Error")
            check(self.desktop.display.has_red(self.desktop.geometry(box)), "the error box shows no stop icon")
            tool.answer_box(box)
            check(not self.desktop.windows(LINK_TITLE), "a link window opened without the module")
            self.generate_and_copy(tool, PLAIN)
            tool.exit()

    def exit_at_once(self):
        """Exit right after the start: the program ends, no other window ever shows.
        Until then the program has loaded only what the main window uses: not the
        network module, Qt Network, the keyring or libqrencode, nor an image format plugin."""
        tool = self.start()
        time.sleep(0.3)
        with open(f"/proc/{tool.proc.pid}/maps") as maps:
            loaded = {line.split()[-1] for line in maps if "/" in line}
        unneeded = [path for path in loaded if re.search(r"/network\.so$|libQt6Network|libqt6keychain|libqrencode|/imageformats/", path)]
        check(not unneeded, f"loaded at start: {sorted(unneeded)}")
        tool.exit()

    def hostile_seller(self):
        """Quotes, markup, Café €, Жук and emoji pasted into every box, a currency, own picture."""
        self.pasted(HOSTILE)

    def own_image(self):
        """Own picture chosen, its address typed into Text7 over the "http://"."""
        tool = self.start()
        tool.fill(OWN_IMAGE)
        self.generate_and_copy(tool, OWN_IMAGE)
        tool.exit()

    def pasted(self, entry, timeout=STEP_TIMEOUT):
        """Pastes every entry; the code must be buttoncode's for what the boxes hold."""
        tool, held = self.paste(entry)
        code = self.generate_and_copy(tool, held, timeout)
        self.pages.append((held, code))
        tool.exit()

    def paste(self, entry):
        """Starts the program and pastes every entry; each box must hold what Qt keeps of it."""
        tool = self.start()
        held = tool.fill(entry, paste=True)
        for field, box in TEXT_BOXES.items():
            kept = kept_by_paste(browser_test.sent_bytes(entry[field]))
            got = held[field].encode("utf-8")
            check(got == kept, f"{box} holds {len(got)} bytes {got[:80]!r}, pasting should leave "
                               f"{len(kept)} bytes {kept[:80]!r}")
        return tool, held

    def generate_refused(self, tool):
        """Presses Generate on entries it must refuse: one "Error" box without a stop
        icon, answered, and no code window."""
        tool.click("Command1")
        box = self.desktop.wait_window("Error")
        check(not self.desktop.display.has_red(self.desktop.geometry(box)), "the Error box shows a stop icon")
        time.sleep(0.3)
        check(self.desktop.windows("Error") == [box], "more than one Error box")
        tool.answer_box(box)
        check(not self.desktop.windows(CODE_TITLE, visible=False), "a code window exists after the Error box")

    def incomplete(self):
        """No account: one "Error" box, no code window; with it, the code as typed."""
        tool = self.start()
        tool.fill(dict(PLAIN, Account=""))
        self.generate_refused(tool)
        tool.type_into("Text5", PLAIN["Account"])
        self.generate_and_copy(tool, PLAIN)
        tool.exit()

    def refused_seller(self):
        """A price and a success page PayPal would refuse: one "Error" box, no code
        window, the cursor in the price; typed over there, the code is made."""
        tool = self.start()
        tool.fill(REFUSED)
        self.generate_refused(tool)
        # Without a window manager nothing hands the keyboard back to the main window
        # when the box closes; a click on its bare background does, as one would,
        # without moving the cursor. The keys then reach the price only if the cursor
        # was put there.
        self.desktop.click(tool.main, (20, 20))
        self.desktop.key("ctrl+a")
        self.desktop.type("12.50 EUR")
        tool.type_into("Text4", PLAIN["ReturnUrl"])
        self.generate_and_copy(tool, dict(PLAIN, Amount="12.50 EUR"))
        tool.exit()

    def control_characters(self):
        """NUL and control characters pasted; each box read back; one "Error" box, no code."""
        tool, _ = self.paste(CONTROLS)
        self.generate_refused(tool)
        tool.exit()

    def long_fields(self):
        """The longest entries PayPal takes and a 100,000-character note title
        pasted: the code is whole."""
        self.pasted(LONG, LONG_TIMEOUT)

    def launcher_without_xdg_open(self):
        """"Go to website" with no xdg-open on PATH: one "Quorvane" error box with the
        stop icon, then the windows still work. Once with only sh on PATH, once with
        nothing on it."""
        bin_dir = self.workdir / "bin-sh-only"
        bin_dir.mkdir()
        (bin_dir / "sh").symlink_to(shutil.which("sh"))
        for path in (str(bin_dir), "/nonexistent"):
            tool = self.start(dict(self.desktop.env, PATH=path))
            tool.click("Command4")
            about = self.desktop.wait_window(ABOUT_TITLE)
            self.desktop.click(about, self.about_layout.centre("cmdGo"))
            box = self.desktop.wait_window(MAIN_TITLE, exclude=[tool.main])
            check(self.desktop.display.has_red(self.desktop.geometry(box)), f"PATH={path}: no stop icon in the box")
            time.sleep(0.5)
            boxes = [w for w in self.desktop.windows(MAIN_TITLE) if w != tool.main]
            check(boxes == [box], f"PATH={path}: {len(boxes)} error boxes")
            tool.answer_box(box)
            # The launcher is watched for a while after it starts; nothing more may come.
            time.sleep(3)
            check(self.desktop.windows(MAIN_TITLE) == [tool.main], f"PATH={path}: another box after the first")
            self.desktop.click(about, self.about_layout.centre("Command1"))
            self.desktop.wait_gone(about)
            tool.exit()
            self.close_all()

    def exit_while_launching(self):
        """"Go to website", then Exit while the launcher still runs and is watched: the
        program ends with status 0 (under AddressSanitizer: nothing leaked) and no
        window is left."""
        bin_dir = self.workdir / "bin-slow-launcher"
        bin_dir.mkdir()
        started = self.workdir / "launcher.pid"
        launcher = bin_dir / "xdg-open"
        launcher.write_text(f'#!/bin/sh\necho $$ > "{started}.part" && mv "{started}.part" "{started}"\n'
                            "exec sleep 30\n")
        launcher.chmod(0o755)
        tool = self.start(dict(self.desktop.env, PATH=f"{bin_dir}:{os.environ.get('PATH', '/usr/bin:/bin')}"))
        tool.click("Command4")
        about = self.desktop.wait_window(ABOUT_TITLE)
        self.desktop.click(about, self.about_layout.centre("cmdGo"))
        deadline = time.monotonic() + STEP_TIMEOUT
        while not started.exists() and time.monotonic() < deadline:
            time.sleep(0.05)
        check(started.exists(), "the launcher was never started")
        try:
            tool.exit()
        finally:
            try:
                os.kill(int(started.read_text()), signal.SIGTERM)
            except ProcessLookupError:
                pass

    def press_until(self, window, buttons, title, answer):
        """Presses the buttons in turn until a question with this title shows, a button
        being enabled once the work before it is over; answers it ("alt+y" or "alt+n")."""
        deadline = time.monotonic() + LONG_TIMEOUT
        while not self.desktop.windows(title):
            check(time.monotonic() < deadline, f"{buttons[-1]} asked nothing within {LONG_TIMEOUT} s")
            for button in buttons:
                self.desktop.click(window, self.move_layout.centre(button))
            time.sleep(0.3)
        box = self.desktop.wait_window(title)
        self.desktop.key(answer)
        self.desktop.wait_gone(box)

    def placed_in_chromium(self, pages):
        """Where Chromium finds each PayPal form and payment link anchor of the pages, all
        loaded in one run, each in a frame of its own: per page, its tag, its link (a
        form's whole code) and the page's text before it."""
        script = ("<!DOCTYPE html><body><script>const pages = " + json.dumps(sorted(pages)) + ";"
                  "const paypal = 'form[action*=webscr], a[href*=\\'/ncp/payment/\\']';"
                  # each in document order with the length and end of the page's text before it
                  # (white space left out, PayPal's code skipped), then the page's whole text
                  "const placed = d => { const out = []; let text = '';"
                  " const walk = n => { for (const c of n.childNodes) {"
                  " if (c.nodeType == 3) text += c.data.replace(/\\s+/g, '');"
                  " else if (c.nodeType == 1 && c.matches(paypal))"
                  " out.push([c.tagName, c.tagName == 'A' ? c.href : c.outerHTML, text.length, text.slice(-60)]);"
                  " else if (c.nodeType == 1) walk(c); } };"
                  " walk(d.documentElement); return [...out, ['END', '', text.length, text.slice(-60)]]; };"
                  "Promise.all(pages.map(p => new Promise(done => { const f = document.createElement('iframe');"
                  " f.onload = () => done([p, placed(f.contentDocument)]); f.src = '/page/' + p.split('/').map(encodeURIComponent).join('/');"
                  " document.body.append(f); })))"
                  ".then(found => fetch('/report', {method: 'POST', body: JSON.stringify(Object.fromEntries(found))}))"
                  ".then(() => fetch('/done', {method: 'POST'}));</script>").encode()
        results = browser_test.Results()

        class Handler(browser_test.make_handler(script, results)):
            def do_GET(self):
                name = urllib.parse.unquote(self.path[len("/page/"):])
                if self.path.startswith("/page/") and name in pages:
                    self.reply(200, pages[name], "text/html")  # its encoding as the page declares it
                else:
                    super().do_GET()

        server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        try:
            chromium = browser_test.find_chromium(self.args.chromium)
            check(chromium is not None, "chromium not found; install Debian's chromium package")
            log = browser_test.run_browser(chromium, f"http://127.0.0.1:{server.server_address[1]}/", results, 60)
        finally:
            server.shutdown()
            server.server_close()
        check(results.report is not None and not results.problems, f"{results.problems}\n{log[-2000:]}")
        return results.report

    def site_move(self):
        """Ctrl+M first thing, a copy of the sample site chosen in the folder dialog, Make
        Links (Sandbox, fake PayPal), Rewrite Pages: Chromium finds each link's anchor
        where its form was; Restore Pages: the site is byte for byte as at the start."""
        site = self.workdir / "site"
        shutil.copytree(self.args.site, site, symlinks=True)
        files = lambda: {Path(d, f): Path(d, f).read_bytes() for d, _, names in os.walk(site) for f in names
                         if Path(d, f).is_file() and not Path(d, f).is_symlink()}
        before = files()
        fake = subprocess.Popen([sys.executable, str(FAKE_PAYPAL)], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)
        try:
            port = int(fake.stdout.readline().split()[1])
            threading.Thread(target=fake.stdout.read, daemon=True).start()
            tool = self.start(dict(self.desktop.env, QUORVANE_PAYPAL_API=f"http://127.0.0.1:{port}",
                                   XDG_DATA_HOME=str(self.workdir / "data"),
                                   DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent"))
            tool.click("Text5")
            self.desktop.key("ctrl+m")
            window = self.desktop.wait_window(MOVE_TITLE)
            layout = self.move_layout
            check(self.desktop.geometry(window)[2:] == layout.size, f"the move window is not {layout.size}")
            self.desktop.click(window, layout.centre("cmdChooseFolder"))
            dialog = self.desktop.wait_window("Choose the Site's Folder")
            self.desktop.key("ctrl+a")
            self.desktop.type(str(site))
            for _ in range(3):  # the first Enter may only take the completer's choice
                self.desktop.key("Return")
                time.sleep(0.5)
                if not self.desktop.windows("Choose the Site's Folder"):
                    break
            self.desktop.wait_gone(dialog)
            tool.answer_box(self.desktop.wait_window("Files to Check"))  # the links and files not read
            self.desktop.click(window, layout.indicator("optSandbox"))
            for box, typed in (("txtClientId", "shop-app"), ("txtSecret", "fake-secret")):
                self.desktop.click(window, layout.centre(box))
                self.desktop.type(typed)
            self.press_until(window, ["cmdMakeLinks", "cmdRewrite"], "Rewrite Pages", "alt+y")
            self.press_until(window, ["cmdRestore"], "Restore Pages", "alt+n")  # the rewrite is over
            changed = {p: b for p, b in files().items() if before.get(p) != b}
            check(site / "index.html" in changed, f"index.html was not rewritten; changed: {list(changed)}")
            name = lambda p, age: f"{age}/{p.relative_to(site).as_posix()}"
            placed = self.placed_in_chromium({**{name(p, "was"): before[p] for p in changed},
                                              **{name(p, "now"): b for p, b in changed.items()}})
            for page in changed:
                was, now = placed[name(page, "was")], placed[name(page, "now")]
                # Each link stands where its form stood; every form left is one not moved, unchanged.
                check(len(was) == len(now) and [p[2:] for p in was] == [p[2:] for p in now] and
                  any(p[0] == "A" for p in now) and
                      all(n == w if n[0] != "A" else w[0] == "FORM" and
                          n[1].startswith("https://www.sandbox.paypal.com/ncp/payment/") for w, n in zip(was, now)),
                      f"{page.relative_to(site)}: the page's forms were {was}, now {now}")
            self.press_until(window, ["cmdRestore"], "Restore Pages", "alt+y")
            deadline = time.monotonic() + LONG_TIMEOUT
            while files() != before:
                check(time.monotonic() < deadline, "Restore Pages left the site changed: " +
                      ", ".join(str(p.relative_to(site)) for p, b in files().items() if before.get(p) != b))
                time.sleep(0.2)
            tool.exit()
        finally:
            fake.stdin.close()
            fake.wait(timeout=STEP_TIMEOUT)

    def page_in_chromium(self):
        """The pasted-in codes, in one page: each is exactly one form with its inputs
        and character set, and Chromium posts what was entered."""
        check(self.pages, "no code to check in the browser (an earlier scenario failed)")
        chromium = browser_test.find_chromium(self.args.chromium)
        check(chromium is not None, "chromium not found; install Debian's chromium package")
        page = browser_test.build_page([code for _, code in self.pages])
        results = browser_test.Results()
        server = ThreadingHTTPServer(("127.0.0.1", 0), browser_test.make_handler(page, results))
        serving = threading.Thread(target=server.serve_forever, daemon=True)
        serving.start()
        try:
            log = browser_test.run_browser(chromium, f"http://127.0.0.1:{server.server_address[1]}/", results, 60)
        finally:
            server.shutdown()
            server.server_close()
        problems = list(results.problems)
        report = results.report
        if report is None:
            problems.append("the page never reported what it parsed")
        else:
            if report["formsInPage"] != len(self.pages):
                problems.append(f"page holds {report['formsInPage']} forms, expected {len(self.pages)}")
            for i, ((entry, _), found) in enumerate(zip(self.pages, report["entries"])):
                got = [f"{x['tag']} {x['type']} {x['name']}" for x in found.get("inputs", [])]
                if found["forms"] != 1 or got != browser_test.expected_inputs(entry):
                    problems.append(f"{entry['label']}: {found['forms']} forms, inputs {got}")
                elif found["acceptCharset"] != browser_test.expected_charset(entry):
                    problems.append(f"{entry['label']}: accept-charset {found['acceptCharset']!r}")
                elif found["action"] != browser_test.PAYMENT_ENDPOINT:
                    problems.append(f"{entry['label']}: action {found['action']!r}")
                elif found["inputs"][-1]["src"] != browser_test.expected_picture(entry):
                    problems.append(f"{entry['label']}: picture {found['inputs'][-1]['src'][:80]!r}")
                problems += browser_test.check_submission(i, entry, results.submissions.get(i))
        if problems:
            raise Failure("; ".join(p[:300] for p in problems) + f"\nchromium output:\n{log[-2000:]}")


# What assistive technology finds first in the main window, with the names of its children.
ATSPI_FIRST_PART = """
import pyatspi, time
for _ in range(50):
    apps = [app for app in pyatspi.Registry.getDesktop(0) if app and app.name == "Quorvane"]
    if apps and apps[0].childCount and apps[0][0].childCount:
        part = apps[0][0][0]
        print(f"{part.getRoleName()} {part.name!r}: " + ", ".join(child.name for child in part))
        entry = pyatspi.findDescendant(apps[0][0], lambda found: found.getRoleName() == "text")
        print(f"{entry.getRoleName()} {entry.name!r}")
        break
    time.sleep(0.1)
"""

SCENARIOS = ["plain_seller", "exit_at_once", "taller_than_the_screen", "small_screen", "read_a_button", "menus",
             "assistive_technology",
             "abandoned_reads", "payment_link", "payment_links", "without_network_module", "hostile_seller",
             "own_image", "incomplete",
             "refused_seller", "control_characters", "launcher_without_xdg_open", "exit_while_launching",
             "long_fields", "page_in_chromium", "site_move"]


class Timeout(Exception):
    pass


def on_alarm(signum, frame):
    raise Timeout(f"the whole run took more than {OVERALL_TIMEOUT} s")


def on_term(signum, frame):
    raise SystemExit(f"stopped by signal {signum}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quorvane", required=True, help="the built program")
    parser.add_argument("--buttoncode", required=True, help="the buttoncode driver")
    parser.add_argument("--chromium", help="the browser (default: chromium on PATH)")
    parser.add_argument("--site", help="the sample site, copied before it is moved")
    parser.add_argument("--only", nargs="*", choices=SCENARIOS, help="run only these scenarios")
    args = parser.parse_args()
    args.quorvane = os.path.abspath(args.quorvane)
    args.buttoncode = os.path.abspath(args.buttoncode)
    for tool in ("Xvfb", "xauth", "xdotool", "xclip"):
        if shutil.which(tool) is None:
            print(f"FAIL: {tool} not found; scripts/packages.sh lists the packages")
            return 1

    signal.signal(signal.SIGALRM, on_alarm)
    signal.signal(signal.SIGTERM, on_term)
    signal.alarm(OVERALL_TIMEOUT)
    started = time.monotonic()
    failed = []
    workdir = Path(tempfile.mkdtemp(prefix="quorvane-realwindow-"))
    display = scenarios = None
    try:
        display = Display(workdir)
        scenarios = Scenarios(args, display, workdir)
        for name in args.only or SCENARIOS:
            began = time.monotonic()
            try:
                getattr(scenarios, name)()
                print(f"PASS {name} ({time.monotonic() - began:.1f} s)", flush=True)
            except (Failure, subprocess.TimeoutExpired, Timeout) as err:
                failed.append(name)
                print(f"FAIL {name} ({time.monotonic() - began:.1f} s): {err}", flush=True)
                print(f"     screen: {display.screenshot(name)}", flush=True)
                for tool in scenarios.running:
                    print(f"     program output: {tool.output()[-1500:]!r}", flush=True)
                if isinstance(err, Timeout):
                    break
            finally:
                scenarios.close_all()
    finally:
        signal.alarm(0)
        if scenarios is not None:
            scenarios.close_all()
        if display is not None:
            display.close()
        shutil.rmtree(workdir, ignore_errors=True)
    total = time.monotonic() - started
    if failed:
        print(f"{len(failed)} scenario(s) failed: {', '.join(failed)} ({total:.1f} s)")
        return 1
    print(f"all scenarios passed ({total:.1f} s)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
