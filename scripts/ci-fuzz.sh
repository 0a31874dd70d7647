#!/usr/bin/env bash
# CI's short fuzzing run: builds every fuzz target with libFuzzer and the sanitizers, then runs
# each for SECONDS (default 20) with a fixed seed from its kept corpus and the inputs of mended
# faults, one target per core. Fails when a target does not build or fails; the kept corpus is
# not changed.
#   scripts/ci-fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
read -r -a targets < <(sed -n 's/^set(FUZZ_TARGETS \(.*\))$/\1/p' tests/fuzz/CMakeLists.txt)
[ ${#targets[@]} -gt 0 ] || { echo "no FUZZ_TARGETS in tests/fuzz/CMakeLists.txt" >&2; exit 1; }

started=$SECONDS
echo "== Fuzzing: ${targets[*]}, $seconds s each"
scripts/fuzz-build.sh "${targets[@]/#/fuzz_}"
echo "== fuzz targets built in $(( SECONDS - started )) s"

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Leaves the target's output in $scratch/TARGET.log and its exit status in $scratch/TARGET.status.
fuzz_briefly() {
  local target=$1
  local inputs=("tests/fuzz/corpus/$target")
  [ -d "tests/fuzz/regressions/$target" ] && inputs+=("tests/fuzz/regressions/$target")
  mkdir -p "$scratch/$target" "build-fuzz/artifacts/$target"
  local status=0
  build-fuzz/tests/fuzz/fuzz_"$target" "$scratch/$target" "${inputs[@]}" -seed=1 -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2048 -artifact_prefix="build-fuzz/artifacts/$target/" -print_final_stats=1 \
    >"$scratch/$target.log" 2>&1 || status=$?
  echo "$status" >"$scratch/$target.status"
}

running=0
for target in "${targets[@]}"; do
  fuzz_briefly "$target" &
  if (( ++running >= $(nproc) )); then
    wait -n
    running=$(( running - 1 ))
  fi
done
wait

failed=()
for target in "${targets[@]}"; do
  log=$scratch/$target.log
  if [ "$(cat "$scratch/$target.status")" = 0 ]; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "fuzz $target: passed, $runs runs, $coverage"
  else
    failed+=("$target")
    echo "fuzz $target: FAILED"
    grep -v '^#[0-9]' "$log" | tail -60
    echo "(the failing input is in build-fuzz/artifacts/$target/; replay it with build-fuzz/tests/fuzz/fuzz_$target FILE)"
  fi
done
echo "== fuzzing: built and ran in $(( SECONDS - started )) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets that failed: ${failed[*]}" >&2
  exit 1
fi
