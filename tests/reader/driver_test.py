# The buttoncode driver through real pipes: --read gives what it reads as valid JSON
# with quotes, backslashes, controls and non-ASCII intact; a text with no Buy Now
# button exits 5 with the reason on stderr.
import json
import subprocess
import sys

read = [sys.argv[1], "--read"]
got = json.loads(subprocess.run(read, capture_output=True, check=True, input=(
    '<form action=https://www.paypal.com/cgi-bin/webscr><input type=hidden name=cmd value=_xclick><input '
    'type=hidden name=amount value=1.50><input type=hidden name=currency_code value=eur><input type=hidden '
    'name=cn value="Say &quot;hi&quot; \\ é€日😀&#1;\t&#13;\n&#127;"></form>').encode()).stdout)
assert (got["NoteTitle"], got["Amount"], got["ChosenImage"], got["NotCarried"]) == \
    ('Say "hi" \\ é€日😀\x01\t\r\n\x7f', "1.50 eur", 1, ["image"]), got
missing = subprocess.run(read, input=b"<p>no button</p>", capture_output=True)
assert (missing.returncode, missing.stderr) == (5, b"No PayPal button was found in this text.\n"), missing
print("1 passed, 0 failed")
