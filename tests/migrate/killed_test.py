# Rewrites and restores a generated site with the driver, killing it (SIGKILL) at 50
# random moments of each and running it again: every page is always its original or
# its whole rewrite, the journal names exactly the rewritten pages and no item twice,
# and the restore gives back the site byte for byte.
import os, random, shutil, subprocess, sys, tempfile, time
from urllib.parse import unquote_to_bytes

driver, work = sys.argv[1], tempfile.mkdtemp()
pristine, site = os.path.join(work, "pristine"), os.path.join(work, "shop")
env = dict(os.environ, XDG_DATA_HOME=os.path.join(work, "data"))
form = '<form action="https://www.paypal.com/cgi-bin/webscr"><input name="item_name" value="Tea %d"></form>'
for n in range(40):
    path = os.path.join(pristine, "shelf%d" % (n % 3), "page%d.html" % n)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    text = "<p>%d\r\n%s <b>é</b> %s</p>" % (n, form % (n % 7), form % n if n % 4 else "") * (1 + n % 3)
    with open(path, "wb") as out:
        out.write(b"\xff\xfe" + text.encode("utf-16-le") if n == 5 else text.encode("utf-8"))
    os.chmod(path, 0o640 if n % 2 else 0o604)

def files(folder):
    return {os.path.relpath(os.path.join(d, f), folder): open(os.path.join(d, f), "rb").read()
            for d, _, names in os.walk(folder) for f in names}

def fresh():
    for name in os.listdir(work):
        if name.startswith("shop") or name == "data":
            shutil.rmtree(os.path.join(work, name))
    shutil.copytree(pristine, site)

def run(*arguments, kill_after=None):
    started = time.monotonic()
    process = subprocess.Popen([driver, *arguments], env=env, stderr=subprocess.PIPE)
    if kill_after is not None:
        time.sleep(kill_after)
        process.kill()
    error = process.communicate()[1]
    assert kill_after is not None or process.returncode == 0, error
    return time.monotonic() - started

def journal():
    folder = os.path.join(work, "data", "Quorvane", "site-moves")
    [name] = os.listdir(folder)
    lines = open(os.path.join(folder, name), "rb").read().split(b"\n")
    assert lines[-1] == b"", "torn last line after a whole run"
    return [[unquote_to_bytes(f).decode() for f in line.split(b"\t")[:-1]] for line in lines[:-1]]

original = files(pristine)
fresh()
rewrite_time = run("rewrite", pristine, site)
rewritten = files(site)
restore_time = run("restore", site)
links = {record[1] for record in journal() if record[0] == "link"}
assert files(site) == original
changed = {page for page in original if rewritten[page] != original[page]}
assert len(changed) == 40 and not any(b"<form" in page for page in rewritten.values())

midway = {"rewrite": 0, "restore": 0}
for moment in range(50):
    fresh()
    for command, time_taken in ((["rewrite", pristine, site], rewrite_time), (["restore", site], restore_time)):
        run(*command, kill_after=random.uniform(0, time_taken))
        now = files(site)
        bad = [page for page in original if now[page] not in (original[page], rewritten[page])]
        assert not bad, (moment, command[0], bad)
        midway[command[0]] += 0 < sum(now[page] == rewritten[page] for page in original) < len(original)
        run(*command)  # which also removes a temporary file the kill left
        assert files(site) == (rewritten if command[0] == "rewrite" else original), (moment, command[0])
        records = journal()
        keys = [record[1] for record in records if record[0] == "link"]
        assert len(keys) == len(set(keys)) and set(keys) == links, (moment, len(keys), len(set(keys)))
        if command[0] == "rewrite":
            assert {record[1] for record in records if record[0] == "written"} == changed, moment
            backups = [folder for folder in os.listdir(work) if folder.startswith("shop-before-payment-links-")]
            assert len(backups) == 1 and files(os.path.join(work, backups[0])) == original, moment
shutil.rmtree(work)
# Most kills land while pages are being written, not before or after.
assert min(midway.values()) >= 15, midway
print("50 kills in each of rewrite and restore, %(rewrite)d and %(restore)d halfway through the pages: "
      "every page whole, one link per item" % midway)
