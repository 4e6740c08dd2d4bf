# Sourced by scripts/run, scripts/test and scripts/screenshots: the Debian packages
# the tool and its tests need, and a function that installs those that are missing.

# Building and running the program: what scripts/run installs.
quorvane_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgumbo-dev libicu-dev libfontconfig-dev qtkeychain-qt6-dev libqrencode-dev
    fonts-liberation xdg-utils
)

# The tests, benchmarks, screenshots and formatting on top of those: what scripts/test
# adds. A desktop keyring (gnome-keyring) is optional for the program, which then keeps
# no secret between runs; the keyring test runs its own in a private D-Bus session.
quorvane_test_packages=(
    libgtest-dev libgmock-dev libbenchmark-dev clang-format libzxing-dev
    xvfb xauth xdotool xclip openbox chromium python3
    gnome-keyring dbus
    python3-pyatspi at-spi2-core dbus-x11
    desktop-file-utils appstream dpkg-dev file
)

# quorvane_install_missing [package...]: installs the named packages (by default
# quorvane_packages) that are not installed yet; with all of them there, it only asks dpkg.
quorvane_install_missing() {
    local wanted=("$@") installed=() missing=() pkg
    [ ${#wanted[@]} -gt 0 ] || wanted=("${quorvane_packages[@]}")
    mapfile -t installed < <(dpkg-query -W -f='${db:Status-Abbrev}${Package}\n' "${wanted[@]}" 2>/dev/null |
        sed -n 's/^ii *//p')
    for pkg in "${wanted[@]}"; do
        [[ " ${installed[*]} " == *" $pkg "* ]] || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
