#!/usr/bin/env bash
# Soak run, on demand (not part of CI): the viewer's main dialog, offscreen, on a simulated
# scanner behind a pseudo-terminal with line trouble, driven by a tireless operator.
#   scripts/soak.sh [MINUTES]     (default 15; the report is also written to build-soak/soak.log)
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-15}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-soak -G Ninja "${launcher[@]}" >/dev/null
cmake --build build-soak --target soak_driver -j "$(nproc)" >/dev/null
# A hang shows as the driver's own watchdog abort; this is only the last resort.
QT_QPA_PLATFORM=offscreen timeout --signal=ABRT "$(( ${minutes%.*} * 60 + 300 ))" \
  build-soak/tests/soak/soak_driver "$minutes" 2>&1 | tee build-soak/soak.log
exit "${PIPESTATUS[0]}"
