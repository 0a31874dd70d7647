#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test (the serial, tools and ui ones also as an
# ordinary user when run as root); then the suite again under the sanitizers
# (scripts/ci-sanitizers.sh) and a short fuzzing run of every fuzz target (scripts/ci-fuzz.sh);
# PLOTWELL_SANITIZERS=off skips both for a quick run.
# Ends with the summary of the whole suite, the counts CI reads.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$(nproc)" | tee build/ctest.log
# The serial, tools and ui tests again as an ordinary user, when this runs as root.
scripts/ci-unprivileged.sh build
# What an installation delivers, and the Debian package, from the same build.
scripts/ci-package.sh build
if [ "${PLOTWELL_SANITIZERS:-on}" != off ]; then
  scripts/ci-sanitizers.sh
  scripts/ci-fuzz.sh
  echo "== The whole suite (normal build), as above:"
  grep -E "tests passed|tests failed out of|Total Test time" build/ctest.log
fi
