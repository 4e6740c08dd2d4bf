#!/usr/bin/env python3
"""Installs the build into a fresh prefix and checks the tree a desktop expects: the
program, a menu entry desktop-file-validate accepts, hicolor icons at their exact pixel
sizes, and AppStream metainfo appstreamcli accepts, all naming one another consistently.
The program loads Qt Network and the keyring only through its network module, which
the install puts in the package's private library folder. Then builds the Debian
package from the same build, checks its contents and its control fields, unpacks it
with dpkg into an empty root, and runs the real-window scenarios of the payment link
(against the fake PayPal) and of a copy without the module on the program there.

Standard library only. Exits 0 when every check passed, 1 otherwise (also when a
validator is missing), 2 on bad arguments.
"""

import argparse
import configparser
import glob
import os
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
ICON_SIZES = [16, 32, 48]
SVG_NAMESPACE = "{http://www.w3.org/2000/svg}"


class Checks:
    def __init__(self):
        self.failures = []

    def expect(self, condition, message):
        if not condition:
            self.failures.append(message)
            print("FAIL: " + message)
        return condition


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=120, **kwargs)


def installed_files(app_id, module):
    """Every file the install must lay out, relative to the prefix."""
    files = ["bin/quorvane", module, f"share/applications/{app_id}.desktop", f"share/metainfo/{app_id}.metainfo.xml",
             f"share/icons/hicolor/scalable/apps/{app_id}.svg"]
    files += [f"share/icons/hicolor/{n}x{n}/apps/{app_id}.png" for n in ICON_SIZES]
    return files


def png_size(path):
    with open(path, "rb") as f:
        header = f.read(24)
    if len(header) < 24 or header[:8] != PNG_SIGNATURE or header[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", header[16:24])


def linked(path):
    """The libraries a program or module loads at start, by file name."""
    result = run(["ldd", path])
    return [line.split()[0] for line in result.stdout.splitlines() if "=>" in line], result.stdout


def check_program(checks, prefix, module):
    path = os.path.join(prefix, "bin", "quorvane")
    if not checks.expect(os.path.isfile(path), "bin/quorvane is not installed"):
        return
    checks.expect(os.access(path, os.X_OK), "bin/quorvane is not executable")
    with open(path, "rb") as f:
        checks.expect(f.read(4) == b"\x7fELF", "bin/quorvane is not an ELF program")
    program, listing = linked(path)
    print("ldd bin/quorvane:\n" + listing)
    network = [name for name in program if name.startswith(("libQt6Network", "libqt6keychain"))]
    checks.expect(not network, f"bin/quorvane loads {network} at start, not through its module")
    libraries, listing = linked(os.path.join(prefix, module))
    checks.expect("not found" not in listing, f"{module} lacks a library:\n{listing}")
    for wanted in ("libQt6Network.so.6", "libqt6keychain.so.1"):
        checks.expect(wanted in libraries, f"{module} does not load {wanted}")


def check_desktop_entry(checks, prefix, app_id):
    path = os.path.join(prefix, "share", "applications", app_id + ".desktop")
    if not checks.expect(os.path.isfile(path), f"share/applications/{app_id}.desktop is not installed"):
        return
    result = run(["desktop-file-validate", path])
    report = (result.stdout + result.stderr).strip()
    print("desktop-file-validate: " + (report or "no remarks"))
    checks.expect(result.returncode == 0 and not report, "desktop-file-validate does not accept the entry")

    entry = configparser.RawConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(path, encoding="utf-8")
    if not checks.expect(entry.has_section("Desktop Entry"), "the desktop file has no [Desktop Entry] group"):
        return
    group = entry["Desktop Entry"]
    checks.expect(group.get("Type") == "Application", "the desktop entry is not an application")
    checks.expect(group.get("Icon") == app_id, f"Icon= is {group.get('Icon')!r}, not the installed {app_id!r}")
    exec_line = shlex.split(group.get("Exec", ""))
    program = exec_line[0] if exec_line else ""
    checks.expect(program == "quorvane" and os.access(os.path.join(prefix, "bin", program), os.X_OK),
                  f"Exec= runs {program!r}, not the installed bin/quorvane")


def check_icons(checks, prefix, app_id):
    hicolor = os.path.join(prefix, "share", "icons", "hicolor")
    for n in ICON_SIZES:
        path = os.path.join(hicolor, f"{n}x{n}", "apps", app_id + ".png")
        if checks.expect(os.path.isfile(path), f"the {n}x{n} icon is not installed"):
            size = png_size(path)
            checks.expect(size == (n, n), f"the {n}x{n} icon is a PNG of {size}")
    path = os.path.join(hicolor, "scalable", "apps", app_id + ".svg")
    if not checks.expect(os.path.isfile(path), "the scalable icon is not installed"):
        return
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError as error:
        checks.expect(False, f"the scalable icon is not well-formed XML: {error}")
        return
    checks.expect(root.tag == SVG_NAMESPACE + "svg", "the scalable icon is not an SVG picture")
    box = root.get("viewBox", "").split()
    checks.expect(len(box) == 4 and box[2] == box[3], f"the scalable icon's viewBox {box} is not square")
    checks.expect(len(root) > 0, "the scalable icon draws nothing")


def check_metainfo(checks, prefix, app_id, version):
    path = os.path.join(prefix, "share", "metainfo", app_id + ".metainfo.xml")
    if not checks.expect(os.path.isfile(path), f"share/metainfo/{app_id}.metainfo.xml is not installed"):
        return
    # Pedantic remarks (P:) and information (I:) are allowed; errors and warnings are not.
    for command in (["appstreamcli", "validate", "--no-net", "--pedantic", path],
                    ["appstreamcli", "validate-tree", "--no-net", "--pedantic", prefix]):
        result = run(command)
        report = (result.stdout + result.stderr).strip()
        print(" ".join(command[:2]) + ":\n" + report)
        faults = [line for line in report.splitlines() if line.startswith(("E:", "W:"))]
        checks.expect(result.returncode == 0 and not faults, f"{command[1]} reports {faults or result.returncode}")

    root = ET.parse(path).getroot()
    checks.expect(root.get("type") == "desktop-application", "the metainfo is not for a desktop application")
    checks.expect(root.findtext("id") == app_id, f"the metainfo id is {root.findtext('id')!r}")
    launchable = root.find("launchable[@type='desktop-id']")
    checks.expect(launchable is not None and launchable.text == app_id + ".desktop",
                  "the metainfo does not launch the installed desktop entry")
    checks.expect(root.findtext("provides/binary") == "quorvane", "the metainfo does not provide bin/quorvane")
    releases = [release.get("version") for release in root.findall("releases/release")]
    checks.expect(version in releases, f"the metainfo has no release {version}: {releases}")


def check_package(checks, cpack, build, work, app_id, version, module, realwindow):
    out = os.path.join(work, "package")
    result = run([cpack, "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out])
    if not checks.expect(result.returncode == 0, "cpack failed:\n" + result.stdout + result.stderr):
        return
    packages = glob.glob(os.path.join(out, f"quorvane_{version}_*.deb"))
    if not checks.expect(len(packages) == 1, f"cpack made {packages}, not one quorvane_{version} package"):
        return
    listing = run(["dpkg-deb", "-c", packages[0]]).stdout
    print("dpkg-deb -c:\n" + listing)
    # Each line ends in the member's path, "./usr/...".
    members = {line.split()[-1].removeprefix(".") for line in listing.splitlines() if line.strip()}
    for relative in installed_files(app_id, module):
        checks.expect("/usr/" + relative in members, f"the package lacks /usr/{relative}")
    fields = {}
    for name in ("Package", "Version", "Section", "Depends", "Recommends"):
        fields[name] = run(["dpkg-deb", "-f", packages[0], name]).stdout.strip()
        print(f"{name}: {fields[name]}")
    checks.expect(fields["Package"] == "quorvane", "the package is not named quorvane")
    checks.expect(fields["Version"] == version, f"the package version is {fields['Version']!r}")
    depends = [d.split()[0] for d in fields["Depends"].replace("|", ",").split(",") if d.strip()]
    checks.expect("libqt6widgets6" in depends, f"the package does not depend on the Qt 6 widgets: {depends}")
    for library in ("libqt6network6", "libqt6keychain1"):
        checks.expect(library in depends, f"the package does not depend on its module's {library}: {depends}")
    for library in ("libgumbo1", "libqrencode4"):  # loaded on first use, unseen by dpkg-shlibdeps
        checks.expect(library in depends, f"the package does not depend on {library}: {depends}")
    checks.expect("fonts-liberation" in depends, f"the package does not depend on its windows' face: {depends}")
    checks.expect("xdg-utils" in fields["Depends"] + fields["Recommends"],
                  "the package neither depends on nor recommends xdg-utils")
    check_unpacked(checks, packages[0], work, realwindow)


def check_unpacked(checks, package, work, realwindow):
    """dpkg unpacks the package into an empty root (its libraries are the system's); the
    program there makes a link against the fake PayPal and, copied without its module,
    says so in one box and still generates."""
    root = os.path.join(work, "root")
    os.makedirs(os.path.join(root, "var", "lib", "dpkg", "updates"))
    os.makedirs(os.path.join(root, "var", "lib", "dpkg", "info"))
    open(os.path.join(root, "var", "lib", "dpkg", "status"), "w").close()
    # Unpacked, not configured: configuring would run the package's ldconfig in the root.
    result = run(["dpkg", f"--root={root}", "--force-not-root", "--force-depends", "--unpack", package])
    if not checks.expect(result.returncode == 0, "dpkg --unpack failed:\n" + result.stdout + result.stderr):
        return
    if realwindow is None:
        return
    command = [sys.executable, realwindow.script, "--quorvane", os.path.join(root, "usr", "bin", "quorvane"),
               "--buttoncode", realwindow.buttoncode, "--only", "payment_link", "without_network_module"]
    result = subprocess.run(command, capture_output=True, text=True, timeout=300)
    print("realwindow_test.py on the unpacked package:\n" + result.stdout + result.stderr)
    checks.expect(result.returncode == 0, "the unpacked program failed its real-window scenarios")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="the configured and built build directory")
    parser.add_argument("--app-id", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--cmake", default="cmake")
    parser.add_argument("--cpack", default="cpack")
    parser.add_argument("--module", required=True, help="the network module, relative to the prefix")
    parser.add_argument("--realwindow", help="tests/ui/realwindow_test.py, to run on the unpacked package")
    parser.add_argument("--buttoncode", help="the buttoncode driver, for --realwindow")
    args = parser.parse_args()
    realwindow = None
    if args.realwindow:
        realwindow = argparse.Namespace(script=args.realwindow, buttoncode=args.buttoncode)

    checks = Checks()
    for tool in ("desktop-file-validate", "appstreamcli", "dpkg-deb", "dpkg-shlibdeps"):
        checks.expect(shutil.which(tool) is not None, f"{tool} is not installed")
    if checks.failures:
        return 1

    work = tempfile.mkdtemp(prefix="quorvane-install-")
    try:
        prefix = os.path.join(work, "usr")
        result = run([args.cmake, "--install", args.build, "--prefix", prefix])
        if not checks.expect(result.returncode == 0, "cmake --install failed:\n" + result.stdout + result.stderr):
            return 1
        for relative in installed_files(args.app_id, args.module):
            checks.expect(os.path.isfile(os.path.join(prefix, relative)), f"{relative} is not installed")
        check_program(checks, prefix, args.module)
        check_desktop_entry(checks, prefix, args.app_id)
        check_icons(checks, prefix, args.app_id)
        check_metainfo(checks, prefix, args.app_id, args.version)
        check_package(checks, args.cpack, args.build, work, args.app_id, args.version, args.module, realwindow)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{len(checks.failures)} failure(s)")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
