# Shared by the project's scripts: install what is missing, configure, build.
# SPDX-License-Identifier: MIT
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${RUNO_BUILD_DIR:-$ROOT/build}

# Debian packages the build and the tests need.
# ser2net: the network-port tests and the benchmark put it in front of a pseudo-terminal.
# libsystemd-dev: runo-bridge tells systemd when it is ready (Type=notify).
RUNO_PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libgl-dev fonts-ipafont-gothic ser2net libsystemd-dev)
# What the tests need besides: an X server for the X11 key bindings.
RUNO_TEST_PACKAGES=(xvfb xauth)

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

# How the scripts configure a tree: optimised, with line tables for stack
# traces (not full debug information, which doubles the time spent on it),
# each library and test compiled as one unit.
RUNO_CONFIGURE=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
    -DCMAKE_UNITY_BUILD=ON)

# build DIR [cmake options...]: configures DIR and builds everything.
build() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" "${RUNO_CONFIGURE[@]}" "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}

# build_programs DIR: configures DIR and builds only the programs a user runs.
build_programs() {
    cmake -S "$ROOT" -B "$1" "${RUNO_CONFIGURE[@]}" >/dev/null
    cmake --build "$1" -j"$(nproc)" --target runo-control projector-sim
}
