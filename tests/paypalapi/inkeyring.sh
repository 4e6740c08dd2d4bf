#!/bin/sh
# Runs a command inside a private D-Bus session with an unlocked gnome-keyring that keeps
# its files in a temporary home, never in the user's own keyring.
set -eu
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home"
unset DISPLAY WAYLAND_DISPLAY
dbus-run-session -- sh -c 'printf fake-password | gnome-keyring-daemon --unlock --components=secrets >/dev/null &&
    exec "$@"' sh "$@"
