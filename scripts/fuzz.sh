#!/usr/bin/env bash
# Searches one fuzz target for failures with libFuzzer, then merges what reached new coverage
# into its kept corpus under tests/fuzz/corpus/TARGET (minimised, so it stays small).
#   scripts/fuzz.sh TARGET [SECONDS] [extra libFuzzer options...]
# TARGET: protocol0 protocol1 protocol2 protocol3 playback decode_command mcap_reader foxglove_client.
# SECONDS: default 600.
# Crashing inputs go to build-fuzz/artifacts/TARGET/; replay one with build-fuzz/tests/fuzz/fuzz_TARGET FILE.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS] [libFuzzer options...]}
seconds=${2:-600}
shift $(( $# < 2 ? $# : 2 ))

build=build-fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
mkdir -p "$build"
# Two searches may start together: one configures and builds at a time.
exec 9>"$build/.build-lock"
flock 9
cmake -S . -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DPLOTWELL_FUZZ=ON -DPLOTWELL_BUILD_UI=OFF >/dev/null
cmake --build "$build" --target "fuzz_$target" plotwell-tool -j 2 >/dev/null
flock -u 9
fuzzer=$build/tests/fuzz/fuzz_$target

kept=tests/fuzz/corpus/$target
work=$build/work/$target
artifacts=$build/artifacts/$target
mkdir -p "$kept" "$work" "$artifacts"
[ -n "$(ls -A "$kept")" ] || scripts/fuzz-seeds.sh "$target" "$kept" "$build/tools/plotwell-tool"

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
"$fuzzer" "$work" "$kept" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$artifacts/" -print_final_stats=1 "$@"

merged=$build/merged/$target
rm -rf "$merged" && mkdir -p "$merged"
"$fuzzer" -merge=1 "$merged" "$kept" "$work" >/dev/null 2>&1
rm -rf "$kept" && mv "$merged" "$kept"
echo "kept corpus of $target: $(ls "$kept" | wc -l) inputs"
