#!/usr/bin/env bash
# Builds the desktop program's dialog tests and saves a picture of every screen — port selection,
# main panel (logger and energy board), wait window, sample timer, inverter list, data table
# with a selection, column graph, quick view, page viewer, input boxes and the message boxes of
# the main road — in build/screens/ as PNG. The dialogs run on Qt's offscreen platform against
# the device simulator; no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$root/.cache/ccache}"
export QT_QPA_PLATFORM=offscreen
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target korvane_gui_tests
rm -rf build/screens
build/tests/korvane_gui_tests --gtest_filter='Screens.*' --gtest_brief=1
echo "== $(ls build/screens/*.png | wc -l) screens in $root/build/screens:"
ls build/screens
