#!/usr/bin/env bash
# Renders the application icon resources/plotwell.svg into the sizes the desktop installs
# (resources/icons/SIZE.png). Run after changing the drawing; needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
for size in 48 128 256; do
  rsvg-convert --width "$size" --height "$size" resources/plotwell.svg --output "resources/icons/$size.png"
done
