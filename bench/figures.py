#!/usr/bin/env python3
"""Quorvane's figures, measured side by side in one run (not a CTest test).

Start-up, peak memory and CPU used while idle against two yardsticks, bench/bare_window
(a window without text) and bench/bare_text_window (the main window's texts in the skin's
font, the floor), "Generate The Code !" until the code window is shown, and long note
titles through generate, show and copy. Every figure is the median of several runs;
start-up runs alternate between the tool and the yardsticks so that all see the same load.

    bench/figures.py [--build build/bench] [--runs 7] [--platform xcb|offscreen]

Under xcb the script starts its own Xvfb. Needs xdotool for the external start-up
cross-check.
"""

import argparse
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

KIB = 1024
MIB = 1024 * KIB


def median(values):
    return statistics.median(values) if values else float("nan")


def parse_pairs(text):
    """key=value words, the probes' output; a value may be a comma list."""
    pairs = {}
    for word in text.split():
        match = re.fullmatch(r"(\w+)=([\d,]*)", word)
        if match:
            values = [int(v) for v in match.group(2).split(",") if v]
            pairs[match.group(1)] = values if "," in match.group(2) or len(values) != 1 else values[0]
    return pairs


class Display:
    """One Xvfb for the whole run, or the offscreen platform."""

    def __init__(self, platform):
        self.platform = platform
        self.server = None
        self.refusals = 0
        self.env = dict(os.environ)
        self.env.pop("QT_QPA_PLATFORM", None)
        if platform == "offscreen":
            self.env["QT_QPA_PLATFORM"] = "offscreen"
            return
        # A display number of its own, away from the low ones other tests use.
        number = 400 + os.getpid() % 400
        while os.path.exists(f"/tmp/.X11-unix/X{number}") or os.path.exists(f"/tmp/.X{number}-lock"):
            number += 1
        self.server = subprocess.Popen(
            ["Xvfb", f":{number}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while not os.path.exists(f"/tmp/.X11-unix/X{number}"):
            if self.server.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("Xvfb did not start")
            time.sleep(0.01)
        self.env["DISPLAY"] = f":{number}"
        self.env["QT_QPA_PLATFORM"] = "xcb"

    def state(self):
        if not self.server:
            return "not used"
        return "running" if self.server.poll() is None else f"ended with status {self.server.returncode}"

    def close(self):
        if self.server:
            self.server.terminate()
            self.server.wait(timeout=10)


REFUSED = "could not connect to display"


class Refused(RuntimeError):
    """Xvfb turned a connection away; on this busy machine it now and then does."""


def retried(display, attempt, tries=3):
    """Runs attempt() again when the display refused the program, counting refusals."""
    for left in range(tries - 1, -1, -1):
        try:
            return attempt()
        except Refused:
            display.refusals += 1
            if left == 0:
                raise
    return None


def run_probe(display, args, timeout):
    """Runs a probe; returns (spawn time in ns, output pairs), or None on time-out."""
    def attempt():
        spawned = time.monotonic_ns()
        try:
            done = subprocess.run(args, env=display.env, capture_output=True, text=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return spawned, None
        if done.returncode != 0:
            kind = Refused if REFUSED in done.stderr else RuntimeError
            raise kind(f"{' '.join(args)} failed ({done.returncode}): {done.stderr.strip()}")
        return spawned, parse_pairs(done.stdout)
    return retried(display, attempt)


def peak_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return -1


def resident_by_mapping(pid):
    """Resident KiB per mapped file, from /proc/<pid>/smaps; anonymous memory as
    [heap], [stack] or [anon]."""
    resident, name = {}, None
    with open(f"/proc/{pid}/smaps") as smaps:
        for line in smaps:
            fields = line.split()
            if re.fullmatch(r"[0-9a-f]+-[0-9a-f]+", fields[0]):
                name = os.path.basename(fields[5]) if len(fields) > 5 and fields[5].startswith("/") else (
                    fields[5] if len(fields) > 5 and fields[5] in ("[heap]", "[stack]") else "[anon]")
            elif fields[0] == "Rss:":
                resident[name] = resident.get(name, 0) + int(fields[1])
    return resident


def time_to_visible(display, program, title, timeout=30.0, inspect=peak_kib):
    """Spawn → a viewable window named `title`, polled with xdotool; then `inspect` of
    the process, its peak memory unless told otherwise."""
    errors = tempfile.TemporaryFile(mode="w+")
    spawned = time.monotonic_ns()
    process = subprocess.Popen([program], env=display.env, stdout=subprocess.DEVNULL, stderr=errors)
    try:
        while True:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                                   env=display.env, capture_output=True, text=True)
            if found.stdout.strip():
                visible = time.monotonic_ns()
                break
            if process.poll() is not None:
                errors.seek(0)
                message = errors.read()
                raise (Refused if REFUSED in message else RuntimeError)(f"{program} ended with status {process.returncode} before showing {title}"
                                   f" (Xvfb {display.state()}): {message.strip()}")
            if (time.monotonic_ns() - spawned) / 1e9 > timeout:
                raise RuntimeError(f"{program}: no window named {title}")
            time.sleep(0.002)
        time.sleep(0.3)
        return visible - spawned, inspect(process.pid)
    finally:
        process.send_signal(signal.SIGTERM)
        process.wait(timeout=10)
        errors.close()


def cpu_seconds(pid):
    """User plus system CPU time the process has used so far."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def idle_cpu(display, programs, seconds=10.0):
    """CPU seconds each program uses while it sits idle, all started together and
    measured over the same `seconds` once every window is shown."""
    started = {}
    errors = tempfile.TemporaryFile(mode="w+")
    try:
        for name, (program, title) in programs.items():
            started[name] = (subprocess.Popen([program], env=display.env, stdout=subprocess.DEVNULL,
                                              stderr=errors), title)
        for name, (process, title) in started.items():
            deadline = time.monotonic() + 30
            while display.platform == "xcb":
                found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                                       env=display.env, capture_output=True, text=True)
                if found.stdout.strip():
                    break
                if process.poll() is not None or time.monotonic() > deadline:
                    errors.seek(0)
                    message = errors.read()
                    # A refused connection is started again by retried(), as elsewhere.
                    raise (Refused if REFUSED in message else RuntimeError)(
                        f"{title} did not show for the idle CPU figure: {message.strip()}")
                time.sleep(0.01)
        # Let start-up's own tail (first paints, late events) finish before counting.
        time.sleep(1.0)
        before = {name: cpu_seconds(process.pid) for name, (process, _) in started.items()}
        time.sleep(seconds)
        return {name: cpu_seconds(process.pid) - before[name] for name, (process, _) in started.items()}
    finally:
        for process, _ in started.values():
            process.send_signal(signal.SIGTERM)
            process.wait(timeout=10)
        errors.close()


def ms(ns):
    return ns / 1e6


# The tool and its yardsticks: in-process probe, real binary, window title.
STARTUP_PROGRAMS = {
    "quorvane": ("bench/startup_probe", "ui/quorvane", "Quorvane"),
    "bare": ("bench/bare_probe", "bench/bare_window", "Bare window"),
    "bare_text": ("bench/bare_text_probe", "bench/bare_text_window", "Bare text window"),
}
YARDSTICKS = (("bare", "bare window"), ("bare_text", "bare text window"))


def measure_startup(display, build, runs):
    probes = {name: f"{build}/{probe}" for name, (probe, _, _) in STARTUP_PROGRAMS.items()}
    programs = {name: (f"{build}/{binary}", title) for name, (_, binary, title) in STARTUP_PROGRAMS.items()}
    spawn_to_idle = {name: [] for name in probes}
    main_to_idle = {name: [] for name in probes}
    peak = {name: [] for name in probes}
    for _ in range(runs):
        for name, program in probes.items():
            spawned, out = run_probe(display, [program], timeout=60)
            spawn_to_idle[name].append(out["idle"] - spawned)
            main_to_idle[name].append(out["idle"] - out["main"])
            peak[name].append(out["hwm_kib"])
    result = {
        "spawn_to_idle_ms": {n: ms(median(v)) for n, v in spawn_to_idle.items()},
        "main_to_idle_ms": {n: ms(median(v)) for n, v in main_to_idle.items()},
        "peak_kib": {n: median(v) for n, v in peak.items()},
    }
    if display.platform == "xcb" and shutil.which("xdotool"):
        visible = {name: [] for name in programs}
        external_peak = {name: [] for name in programs}
        for _ in range(runs):
            for name, (program, title) in programs.items():
                elapsed, kib = retried(display, lambda: time_to_visible(display, program, title))
                visible[name].append(elapsed)
                external_peak[name].append(kib)
        result["spawn_to_visible_ms"] = {n: ms(median(v)) for n, v in visible.items()}
        result["external_peak_kib"] = {n: median(v) for n, v in external_peak.items()}
    if display.platform == "offscreen" or shutil.which("xdotool"):
        result["idle_cpu_s"] = retried(display, lambda: idle_cpu(display, programs))
    return result


def measure_generate(display, build, runs, presses):
    first, again, reload, link, link_peak = [], [], [], [], []
    for _ in range(runs):
        _, out = run_probe(display, [f"{build}/bench/generate_probe", str(presses)], timeout=120)
        first.append(out["first"])
        if "link_first" in out:  # builds before the network module have no such figure
            link.append(out["link_first"])
            link_peak.append(out["link_hwm_kib"])
        again.extend(out["again"] if isinstance(out["again"], list) else [out["again"]])
        reload.extend(out["reload"] if isinstance(out["reload"], list) else [out["reload"]])
    return {"first_ms": ms(median(first)), "again_ms": ms(median(again)), "reload_ms": ms(median(reload)),
            "first_max_ms": ms(max(first)), "again_max_ms": ms(max(again)),
            "link_ms": ms(median(link)), "link_max_ms": ms(max(link, default=float("nan"))),
            "link_peak_kib": median(link_peak)}


def measure_scale(display, build, sizes, runs, timeout):
    """Presses per size, then the steps apart once; a size that times out ends the series."""
    rows = []
    for size in sizes:
        row = {"bytes": size, "runs": []}
        rows.append(row)
        for _ in range(runs):
            _, out = run_probe(display, [f"{build}/bench/scale_probe", str(size)], timeout)
            if out is None:
                row["timed_out"] = timeout
                break
            row["runs"].append(out)
        if "timed_out" in row:
            break
        _, phases = run_probe(display, [f"{build}/bench/scale_probe", str(size), "phases"], timeout)
        row["phases"] = phases
        done = row["runs"]
        row["generate_show_ms"] = ms(median([r["generate_show"] for r in done]))
        row["copy_ms"] = ms(median([r["copy"] for r in done]))
        row["total_ms"] = ms(median([r["generate_show"] + r["copy"] for r in done]))
        row["fill_ms"] = ms(median([r["fill"] for r in done]))
        row["peak_kib"] = median([r["hwm_kib"] for r in done])
        row["code_bytes"] = done[0]["code_bytes"]
        row["exact"] = all(r["exact"] == 1 for r in done)
    return rows


def measure_mappings(display, build, runs):
    """Resident KiB per mapping of the real tool and of the bare text window, idle;
    the median of `runs` of each."""
    result = {}
    for name in ("quorvane", "bare_text"):
        _, binary, title = STARTUP_PROGRAMS[name]
        samples = [retried(display, lambda: time_to_visible(display, f"{build}/{binary}", title,
                                                            inspect=resident_by_mapping))[1]
                   for _ in range(runs)]
        names = set().union(*samples)
        result[name] = {mapping: median([s.get(mapping, 0) for s in samples]) for mapping in names}
    return result


def report_mappings(mappings, rows=25):
    tool, floor = mappings["quorvane"], mappings["bare_text"]
    names = sorted(set(tool) | set(floor), key=lambda n: tool.get(n, 0) - floor.get(n, 0), reverse=True)
    print()
    print("resident KiB per mapping, idle (/proc/PID/smaps, medians), the tool against the bare text window")
    print(f"  {'mapping':40} {'quorvane':>9} {'text':>9} {'more':>7}")
    for name in names[:rows]:
        print(f"  {name[:40]:40} {tool.get(name, 0):9.0f} {floor.get(name, 0):9.0f}"
              f" {tool.get(name, 0) - floor.get(name, 0):7.0f}")
    print(f"  {'all':40} {sum(tool.values()):9.0f} {sum(floor.values()):9.0f}"
          f" {sum(tool.values()) - sum(floor.values()):7.0f}")


def ratio(values, yardstick="bare"):
    return values["quorvane"] / values[yardstick]


def verdict(met):
    return "met" if met else "MISSED"


def report(args, display, startup, generate, scale):
    print(f"platform: {display.platform}" + (" (own Xvfb, 1280x1024x24)" if display.server else ""))
    print(f"runs: {args.runs} (medians)")
    if display.refusals:
        print(f"programs started again after Xvfb refused their connection: {display.refusals}")
    with open("/proc/loadavg") as load:
        print(f"load average at the end: {' '.join(load.read().split()[:3])}")
    print()
    print("start-up, process start -> main window painted and idle (in-process probe);")
    print("yardsticks: bare = window without text, text = bare window with the main window's texts"
          " in the skin's font (the floor)")
    print(f"  {'':29} {'quorvane':>9} {'bare':>9} {'ratio':>6} {'text':>9} {'ratio':>6}")
    rows = [("spawn_to_idle_ms", "spawn -> idle, ms", ".1f"), ("main_to_idle_ms", "main() -> idle, ms", ".1f"),
            ("spawn_to_visible_ms", "spawn -> mapped, ms (xdotool)", ".1f"),
            ("peak_kib", "peak RSS, KiB", ".0f"), ("external_peak_kib", "peak RSS, KiB (real binary)", ".0f")]
    for key, label, form in rows:
        if key in startup:
            values = startup[key]
            print(f"  {label:29} {values['quorvane']:9{form}} {values['bare']:9{form}} {ratio(values):6.2f}"
                  f" {values['bare_text']:9{form}} {ratio(values, 'bare_text'):6.2f}")
    if "idle_cpu_s" in startup:
        values = startup["idle_cpu_s"]
        print(f"  {'idle CPU, s over 10 s':29} {values['quorvane']:9.2f} {values['bare']:9.2f} {'':6}"
              f" {values['bare_text']:9.2f}")
    for key, goal, most in (("spawn_to_idle_ms", "start-up", 1.10), ("peak_kib", "peak memory", 1.05)):
        against = ", ".join(f"{verdict(ratio(startup[key], name) <= most)} against the {label}"
                            for name, label in YARDSTICKS)
        print(f"  goal {goal} <= {most:.2f}x: {against}")
    if "idle_cpu_s" in startup:
        print(f"  goal no CPU while idle: {verdict(startup['idle_cpu_s']['quorvane'] == 0)}")
    print()
    print('"Generate The Code !" -> code window painted and idle')
    print(f"  first (loads the code window): {generate['first_ms']:.2f} ms (worst {generate['first_max_ms']:.2f})")
    print(f"  again, code window open:       {generate['again_ms']:.2f} ms (worst {generate['again_max_ms']:.2f})")
    print(f"  again, after closing it:       {generate['reload_ms']:.2f} ms")
    share = generate["first_ms"] / startup["spawn_to_idle_ms"]["bare"]
    print(f"  first, as a share of the bare window's spawn -> idle in this run: {100 * share:.1f} %")
    print(f"  goal first <= 10 % of the bare window's spawn -> idle: {verdict(share <= 0.10)}")
    print(f"  goal again <= 10 ms median: {verdict(generate['again_ms'] <= 10)}")
    print(f"  goal first <= 16.7 ms (one frame at 60 Hz): {verdict(generate['first_ms'] <= 16.7)}")
    if generate["link_ms"] == generate["link_ms"]:  # NaN in builds before the network module
        print()
        print("Make a Payment Link (Ctrl+L), the first time -> link window painted and idle")
        print(f"  network module loaded, window made and shown: {generate['link_ms']:.2f} ms"
              f" (worst {generate['link_max_ms']:.2f})")
        print(f"  peak RSS with the link window shown: {generate['link_peak_kib']:.0f} KiB"
              f" ({generate['link_peak_kib'] / startup['peak_kib']['bare_text']:.2f}x the bare text window's start)")
        print(f"  goal <= 100 ms: {verdict(generate['link_ms'] <= 100)}")
    if not scale:
        return
    print()
    print("scale: ASCII note title -> generate, show, copy")
    print(f"  {'note title':>10} {'code':>10} {'gen+show':>10} {'copy':>8} {'total':>10} {'s/MiB':>7}"
          f" {'peak RSS':>10} {'exact':>6}")
    for row in scale:
        if "timed_out" in row:
            print(f"  {row['bytes'] // KIB:>7} KiB  did not finish within {row['timed_out']} s")
            continue
        per_mib = row["total_ms"] / 1000 / (row["bytes"] / MIB)
        print(f"  {row['bytes'] // KIB:>7} KiB {row['code_bytes'] / MIB:7.1f} MiB {row['generate_show_ms']:8.0f} ms"
              f" {row['copy_ms']:6.1f} ms {row['total_ms']:8.0f} ms {per_mib:7.2f}"
              f" {row['peak_kib'] / KIB:6.0f} MiB {str(row['exact']):>6}")
    print("  steps apart (ms): read, generate, to QString, load, setCode, show+paint, copy")
    for row in scale:
        phases = row.get("phases")
        if phases:
            steps = [phases[k] for k in ("read", "generate", "to_qstring", "load", "set_code", "show", "copy")]
            print(f"  {row['bytes'] // KIB:>7} KiB " + " ".join(f"{ms(s):9.1f}" for s in steps))
    finished = [row for row in scale if "timed_out" not in row]
    one_mib = next((row for row in finished if row["bytes"] == MIB), None)
    ten_mib = next((row for row in finished if row["bytes"] == 10 * MIB), None)
    tried = {row["bytes"] for row in scale}
    if MIB in tried:
        print(f"  goal 1 MiB within 2 s: {verdict(one_mib is not None and one_mib['total_ms'] <= 2000)}")
    if 10 * MIB in tried:
        print(f"  goal 10 MiB completes with the exact code: {verdict(ten_mib is not None and ten_mib['exact'])}")
    if len(finished) >= 2:
        per_mib = [row["total_ms"] / (row["bytes"] / MIB) for row in finished]
        growth = per_mib[-1] / per_mib[0]
        print(f"  time per MiB, largest over smallest size: {growth:.2f} (1.0 is linear)")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build/bench", help="build directory (default build/bench)")
    parser.add_argument("--runs", type=int, default=7, help="runs per figure (default 7)")
    parser.add_argument("--presses", type=int, default=20, help="presses per generate run (default 20)")
    parser.add_argument("--platform", choices=("xcb", "offscreen"), default="xcb")
    parser.add_argument("--scale-runs", type=int, default=3, help="runs per note-title size (default 3)")
    parser.add_argument("--scale-timeout", type=int, default=300, help="seconds one scale run may take")
    parser.add_argument("--sizes", default="102400,1048576,10485760", help="note-title sizes in bytes")
    parser.add_argument("--no-scale", action="store_true", help="leave out the note-title sizes")
    parser.add_argument("--mappings", action="store_true",
                        help="resident memory per mapping of the real tool and the bare text window (xcb)")
    args = parser.parse_args()

    display = Display(args.platform)
    try:
        startup = measure_startup(display, args.build, args.runs)
        generate = measure_generate(display, args.build, args.runs, args.presses)
        scale = [] if args.no_scale else measure_scale(
            display, args.build, [int(s) for s in args.sizes.split(",")], args.scale_runs, args.scale_timeout)
        mappings = measure_mappings(display, args.build, args.runs) if args.mappings else None
    finally:
        display.close()
    report(args, display, startup, generate, scale)
    if mappings:
        report_mappings(mappings)
    return 0


if __name__ == "__main__":
    sys.exit(main())
