#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Plotwell need, and the npm
# packages of the interop tests from their lockfile.
# Safe to run again: it installs only what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config
  # the fuzz build: clang with libFuzzer and its sanitizer runtimes
  clang-14 libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  cyclonedds-dev cyclonedds-tools
  libzstd-dev liblz4-dev zlib1g-dev
  libwebsocketpp-dev libasio-dev nlohmann-json3-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  xvfb xauth xdotool openbox fonts-dejavu-core fonts-wqy-microhei
  help2man dpkg-dev file desktop-file-utils appstream lintian man-db
)
# Node.js and npm run the interop tests; a machine that has them from elsewhere keeps its own.
command -v npm >/dev/null || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Readers and clients Plotwell did not write (tests/interop), exactly as the lockfile pins them;
# again only when the lockfile changed since the last install.
interop=tests/interop
if [ ! -f "$interop/node_modules/.package-lock.json" ] || [ "$interop/package-lock.json" -nt "$interop/node_modules/.package-lock.json" ]; then
  npm ci --prefix "$interop" --no-audit --no-fund --loglevel=error
fi
