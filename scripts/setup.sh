#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, builds the program, then starts it ("run") or
# runs the whole test suite ("test").
set -euo pipefail

cd "$(dirname "$0")/.."

# What building and running the program needs.
run_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev libxcb1-dev
    fonts-liberation fontconfig
)
# What the test suite adds: the real window under Xvfb and openbox, read through an accessibility
# bus, the fuzzer, and the install and Debian package checks.
test_packages=(
    xvfb xdotool util-linux
    clang libclang-rt-14-dev
    libx11-dev libxdamage-dev desktop-file-utils
    dpkg-dev file appstream
    openbox dbus-daemon dbus-bin at-spi2-core python3-gi gir1.2-atspi-2.0
)

install_missing() {
    local missing=()
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
    cmake --preset "$1"
    cmake --build --preset "$1" --parallel "$(nproc)"
}

case "${1:-}" in
run)
    install_missing "${run_packages[@]}"
    build program
    exec build/program/configurator/arbitrator-configurator
    ;;
test)
    install_missing "${run_packages[@]}" "${test_packages[@]}"
    build default
    ctest --preset default
    # The receive rule under libFuzzer for a bounded number of inputs; a failing input is kept
    # in build/fuzz/ as crash-*.
    build fuzz
    mkdir -p build/fuzz/corpus
    build/fuzz/tests/fuzz_receive -runs=30000 -max_total_time=120 -max_len=1024 \
        -use_value_profile=1 -artifact_prefix=build/fuzz/ -print_final_stats=1 \
        build/fuzz/corpus build/fuzz/tests/fuzz_receive_seeds
    # Last, so that the run ends on the test runner's own summary.
    build sanitize
    ctest --preset sanitize
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
