# Shared by the project's scripts: install what is missing, configure, build.
# SPDX-License-Identifier: MIT
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${RUNO_BUILD_DIR:-$ROOT/build}

# Debian packages the build and the tests need.
# ser2net: the network-port tests and the benchmark put it in front of a pseudo-terminal.
# libsystemd-dev: runo-bridge tells systemd when it is ready (Type=notify).
RUNO_PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libgl-dev fonts-ipafont-gothic ser2net libsystemd-dev)
# What the tests need besides: an X server for the X11 key bindings; the
# compiler of the sanitizer and fuzz stages; the format and lint checks.
RUNO_TEST_PACKAGES=(xvfb xauth clang-format clang-14 libclang-rt-14-dev clang-tidy-14)

ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# How the scripts configure a tree: the presets of CMakePresets.json (dev:
# optimised, with line tables for stack traces, each library and test
# compiled as one unit; asan; fuzz; plain), into the directory given.

# configure PRESET DIR [cmake options...]
configure() {
    local preset=$1 dir=$2
    shift 2
    (cd "$ROOT" && cmake --preset "$preset" -B "$dir" "$@" >/dev/null)
}

# build PRESET DIR [cmake options...]: configures DIR and builds everything.
build() {
    configure "$@"
    cmake --build "$2" -j"$(nproc)"
}

# build_programs DIR: configures DIR and builds only the programs a user runs.
build_programs() {
    configure dev "$1"
    cmake --build "$1" -j"$(nproc)" --target runo-control projector-sim
}
