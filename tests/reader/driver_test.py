# The buttoncode driver through real pipes: what it writes, --read gives back as
# valid JSON with quotes, backslashes, controls and non-ASCII intact; a text with no
# Buy Now button exits 5 with the reason on stderr.
import json
import subprocess
import sys

tool = sys.argv[1]


def read(text):
    return json.loads(subprocess.run([tool, "--read"], input=text, capture_output=True, check=True).stdout)


note = 'Say "hi" \\ é€日😀'
code = subprocess.run([tool, "--Account=a@b.cd", "--ItemName=Tea", "--ItemNumber=7", "--Amount=1.50 eur",
                       "--ReturnUrl=https://shop.example/ok", "--CancelUrl=https://shop.example/no",
                       "--NoteTitle=" + note, "--UsePresetImage=1", "--ChosenImage=3"],
                      capture_output=True, check=True).stdout
got = read(code)
assert (got["NoteTitle"], got["Amount"], got["ChosenImage"], got["NotCarried"]) == (note, "1.50 EUR", 3, []), got
got = read(b'<form action=https://www.paypal.com/cgi-bin/webscr><input type=hidden name=cmd value=_xclick>'
           b'<input type=hidden name=cn value="&#1;\t&#13;\n&#127;"></form>')
assert (got["NoteTitle"], got["NotCarried"]) == ("\x01\t\r\n\x7f", ["image"]), got
missing = subprocess.run([tool, "--read"], input=b"<p>no button</p>", capture_output=True)
assert (missing.returncode, missing.stderr) == (5, b"No PayPal button was found in this text.\n"), missing
print("1 passed, 0 failed")
