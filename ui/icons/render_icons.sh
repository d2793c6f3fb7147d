#!/usr/bin/env bash
# Redraws ui/icons/png/ from ui/icons/svg/ (needs qt6-svg-dev). The PNGs are
# committed, so building the program needs no SVG library.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -fPIC -O1 render_icons.cpp -o "$tmp/render_icons" \
  $(pkg-config --cflags --libs Qt6Svg Qt6Gui)
mkdir -p png
QT_QPA_PLATFORM=offscreen "$tmp/render_icons" png svg/*.svg
