# The buttoncode driver through real pipes: what it writes, --read gives back as
# valid JSON with quotes, backslashes, controls and non-ASCII intact; a text with no
# Buy Now button exits 5 with the reason on stderr.
import json
import subprocess
import sys

tool = sys.argv[1]
note = 'Say "hi" \\ \t\r\n\x01\x7f é€日😀'
code = subprocess.run([tool, "--Account=a@b.cd", "--ItemName=Tea", "--ItemNumber=7", "--Amount=1.50 eur",
                       "--ReturnUrl=https://s/ok", "--CancelUrl=https://s/no", "--NoteTitle=" + note,
                       "--UsePresetImage=1", "--ChosenImage=3"], capture_output=True, check=True).stdout
read = json.loads(subprocess.run([tool, "--read"], input=code, capture_output=True, check=True).stdout)
assert (read["NoteTitle"], read["Amount"], read["ChosenImage"], read["NotCarried"]) == (note, "1.50 EUR", 3, []), read
missing = subprocess.run([tool, "--read"], input=b"<p>no button</p>", capture_output=True)
assert (missing.returncode, missing.stderr) == (5, b"No PayPal button was found in this text.\n"), missing
print("1 passed, 0 failed")
