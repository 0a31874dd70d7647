#!/usr/bin/env bash
# Whole-program figures of the viewer, on a virtual X display (docs/PERFORMANCE.md):
#   scripts/program-figures.sh [BUILD_DIR] [MINUTES]
# BUILD_DIR is a Release build with -DPLOTWELL_BUILD_BENCH=ON (default build-bench) that has built
# plotwell, bench_program_figures and bench_ui_last_byte_to_picture. MINUTES (default 10) is how
# long the demo runs for its resident memory. Every figure is printed with the load average.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-bench}")
minutes=${2:-10}
if [ -z "${PLOTWELL_FIGURES_ON_X:-}" ]; then
  exec env PLOTWELL_FIGURES_ON_X=1 xvfb-run -a -s "-screen 0 1600x900x24" "$0" "$build" "$minutes"
fi
export QT_QPA_PLATFORM=xcb

load() { cut -d' ' -f1 /proc/loadavg; }

echo "== start-up of plotwell --demo to its first drawn revolution, 7 runs"
for run in 1 2 3 4 5 6 7; do
  "$build/bench/bench_program_figures" startup
done | tee /tmp/plotwell-startup.$$
sort -n -k2 /tmp/plotwell-startup.$$ | awk '{ ms[NR] = $2 } END { print "median " ms[int((NR + 1) / 2)] " ms, max " ms[NR] " ms" }'
rm -f /tmp/plotwell-startup.$$

echo "== CPU of the whole process, 10 revolutions a second of 4000 samples, 60 s"
"$build/bench/bench_program_figures" cpu 60

echo "== last byte of a revolution to the picture drawn, 200 revolutions (load $(load))"
"$build/bench/bench_ui_last_byte_to_picture" --benchmark_format=console 2>/dev/null | grep BM_

echo "== resident memory of plotwell --demo over $minutes minutes (VmRSS every 30 s, kB)"
"$build/ui/plotwell" --demo &
pid=$!
samples=$((minutes * 2))
for sample in $(seq 0 "$samples"); do
  [ "$sample" -eq 0 ] || sleep 30
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
  echo "$((sample * 30)) s: $rss kB, load $(load)"
done
kill "$pid"
wait "$pid" || true
