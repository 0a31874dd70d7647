#!/usr/bin/env bash
# Screenshots of the viewer running on its demo scanner, in both layouts, on a virtual X display,
# with the range zoomed out to 6 m and a marker placed:
#   scripts/screenshot.sh [BUILD_DIR] [OUT_DIR] [SCREEN_SIZE]
# Needs xvfb-run, xdotool and ImageMagick's import. QT_SCALE_FACTOR passes through.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs}
screen=${3:-1600x900}
mkdir -p "$out"
for lang in en zh; do
  xvfb-run -a -s "-screen 0 ${screen}x24" bash -c '
    set -e
    "$1" --demo --lang "$2" &
    pid=$!
    sleep 3
    window=$(xdotool search --sync --onlyvisible --pid $pid | head -1)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    # The view is the square at the right of the window, 7 px from the top, 5 px from the edges.
    side=$((HEIGHT - 12))
    cx=$((X + WIDTH - 5 - side / 2)); cy=$((Y + 7 + side / 2))
    xdotool mousemove $cx $cy click 1
    for step in 1 2 3; do xdotool click 5; sleep 0.2; done
    xdotool mousemove $((cx + side / 5)) $((cy - side / 4)) click 1
    sleep 1
    import -window "$window" "$3"
    kill $pid
    wait $pid || true
  ' _ "$build/ui/plotwell" "$lang" "$out/screenshot-$lang.png"
done
