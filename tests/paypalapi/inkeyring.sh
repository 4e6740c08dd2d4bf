#!/bin/sh
# Runs a command with an unlocked gnome-keyring in a private D-Bus session and temporary home.
set -eu
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home"
unset DISPLAY WAYLAND_DISPLAY
dbus-run-session -- sh -c 'printf fake-password | gnome-keyring-daemon --unlock --components=secrets >/dev/null &&
    exec "$@"' sh "$@"
