#!/usr/bin/env bash
# Builds fuzz targets with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer (clang 14)
# in build-fuzz, and only what they need.
#   scripts/fuzz-build.sh TARGET...      (CMake targets, e.g. fuzz_protocol1 plotwell-tool)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
# -O1 with line tables only, in place of the build type's -O2 -g: half the compile time, and
# reports still give file and line.
optimisation="-O1 -g1 -DNDEBUG"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
mkdir -p "$build"
# Two searches may start together: one configures and builds at a time.
exec 9>"$build/.build-lock"
flock 9
# Both compilers from clang 14: the C sources that idlc generates for the ROS 2 module, built by
# gcc, would bring gcc's sanitizer runtimes into the link next to clang's, which then refuse to start.
cmake -S . -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="$optimisation" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$optimisation" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DPLOTWELL_FUZZ=ON -DPLOTWELL_BUILD_UI=OFF >/dev/null
# Quiet unless the build fails.
if ! cmake --build "$build" --target "$@" -j "$(nproc)" >"$build/build.log" 2>&1; then
  grep -v '^\[[0-9]*/[0-9]*\] ' "$build/build.log" | tail -80 >&2
  echo "the fuzz build failed (whole log: $build/build.log)" >&2
  exit 1
fi
