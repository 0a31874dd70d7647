#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the whole suite under AddressSanitizer
# with UndefinedBehaviorSanitizer (the serial, tools and ui programs again as an ordinary user
# when run as root), the test programs that run two threads under ThreadSanitizer, a short
# fuzzing run of every fuzz target, and what an installation delivers, from a plain build of the
# programs. A second, plain build of the tests would double the compile time for little: the
# sanitized suite is the same tests with stricter eyes.
# PLOTWELL_SANITIZERS=off runs the suite once in the plain build instead, for a quick run.
# Ends with the summary of the whole suite, the counts CI reads.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

if [ "${PLOTWELL_SANITIZERS:-on}" = off ]; then
  scripts/build.sh build -DPLOTWELL_BUILD_TESTS=ON
  ctest --test-dir build --output-on-failure -j "$jobs" | tee build/ctest.log
  scripts/ci-unprivileged.sh build
  scripts/ci-package.sh build
  exit 0
fi

scripts/build.sh build -DPLOTWELL_BUILD_TESTS=OFF
scripts/ci-sanitizers.sh address
scripts/ci-unprivileged.sh build-asan
# The hostile-clients case again against the plain server: the address sanitizer's bookkeeping
# blurs the resident memory that the case compares.
echo "== The Foxglove server's memory under hostile clients, plain build"
PLOTWELL_TOOL="$PWD/build/tools/plotwell-tool" ASAN_OPTIONS=detect_leaks=0 \
  build-asan/tests/test_serve --gtest_brief=1 --gtest_filter='ServeProcess.Hostile*'
scripts/ci-package.sh build
scripts/ci-sanitizers.sh thread
scripts/ci-fuzz.sh 10
echo "== The whole suite (AddressSanitizer with UndefinedBehaviorSanitizer), as above:"
grep -E "tests passed|tests failed out of|Total Test time" build-asan/ctest.log
