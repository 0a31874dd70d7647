#!/usr/bin/env bash
# Searches one fuzz target for failures with libFuzzer, then merges what reached new coverage
# into its kept corpus under tests/fuzz/corpus/TARGET (minimised, so it stays small).
#   scripts/fuzz.sh TARGET [SECONDS] [extra libFuzzer options...]
# TARGET: one of FUZZ_TARGETS in tests/fuzz/CMakeLists.txt (protocol1, playback, mcap_reader, ...).
# SECONDS: default 600.
# Crashing inputs go to build-fuzz/artifacts/TARGET/; replay one with build-fuzz/tests/fuzz/fuzz_TARGET FILE.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS] [libFuzzer options...]}
seconds=${2:-600}
shift $(( $# < 2 ? $# : 2 ))

build=build-fuzz
scripts/fuzz-build.sh "fuzz_$target"
fuzzer=$build/tests/fuzz/fuzz_$target

kept=tests/fuzz/corpus/$target
work=$build/work/$target
artifacts=$build/artifacts/$target
mkdir -p "$kept" "$work" "$artifacts"
if [ -z "$(ls -A "$kept")" ]; then
  scripts/fuzz-build.sh plotwell-tool mcap_sample_recordings
  scripts/fuzz-seeds.sh "$target" "$kept" "$build"
fi

# The inputs of mended faults run first too, but stay out of the merged corpus.
inputs=("$kept")
[ -d "tests/fuzz/regressions/$target" ] && inputs+=("tests/fuzz/regressions/$target")
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
"$fuzzer" "$work" "${inputs[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$artifacts/" -print_final_stats=1 "$@"

merged=$build/merged/$target
rm -rf "$merged" && mkdir -p "$merged"
"$fuzzer" -merge=1 "$merged" "$kept" "$work" >/dev/null 2>&1
rm -rf "$kept" && mv "$merged" "$kept"
echo "kept corpus of $target: $(ls "$kept" | wc -l) inputs"
