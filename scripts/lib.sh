# Shared by the project's scripts: install what is missing, configure, build.
# SPDX-License-Identifier: MIT
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${RUNO_BUILD_DIR:-$ROOT/build}
# ccache, where installed, finds a compilation again in any tree at the same
# path, and the one-file compilations in a clone elsewhere (a unity source
# names its files by absolute path).
export CCACHE_BASEDIR=$ROOT CCACHE_NOHASHDIR=true
# The tests mostly wait on the timers of the line and use little of the
# processors, so ctest runs four to a core.
TEST_JOBS=$(($(nproc) * 4))

# The Debian packages the build and the tests need are debian/control's
# Build-Depends, the one list of them; those marked <!nocheck> only the tests
# need (ser2net, for instance, which the network-port tests put in front of a
# pseudo-terminal; an X server for the X11 key bindings).

# ensure_build_deps [PROFILE...]: installs what debian/control's Build-Depends
# asks for and is missing, build-essential included; with the profile nocheck,
# only what the build itself needs.
ensure_build_deps() {
    local profiles=()
    [ $# -gt 0 ] && profiles=(-P "$(IFS=,; echo "$*")")
    if command -v dpkg-checkbuilddeps >/dev/null \
        && (cd "$ROOT" && dpkg-checkbuilddeps "${profiles[@]}" 2>/dev/null); then
        return 0
    fi
    echo "Installing the build dependencies in debian/control"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get build-dep -y -qq --no-install-recommends \
        "${profiles[@]}" "$ROOT" >/dev/null
}

# ensure_packages PACKAGE...: installs those of these packages that are missing.
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

# ensure_browser_test_deps: the npm packages of the browser test
# (tests/web/package-lock.json: puppeteer-core, which drives Debian's chromium
# and downloads no browser of its own), installed when missing or older than
# the lock file.
ensure_browser_test_deps() {
    local dir=$ROOT/tests/web
    [ "$dir/node_modules/.package-lock.json" -nt "$dir/package-lock.json" ] && return 0
    echo "Installing the browser test's npm packages (tests/web)"
    (cd "$dir" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null)
}

# How the scripts configure a tree: the presets of CMakePresets.json (dev:
# optimised, with line tables for stack traces, each library and test
# compiled as one unit; asan, with clang, holding the fuzz targets too;
# plain), into the directory given.

# configure PRESET DIR [cmake options...]
# Where ccache is installed, compilations are cached across trees and runs.
configure() {
    local preset=$1 dir=$2 launcher=()
    shift 2
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    (cd "$ROOT" && cmake --preset "$preset" -B "$dir" "${launcher[@]}" "$@" >/dev/null)
}

# build PRESET DIR [cmake options...]: configures DIR and builds everything.
build() {
    configure "$@"
    cmake --build "$2" -j"$(nproc)"
}

# build_programs DIR: configures DIR and builds only the programs a user runs.
build_programs() {
    configure dev "$1"
    cmake --build "$1" -j"$(nproc)" --target runo-control runo-projector-sim
}
