#!/usr/bin/env bash
# The serial, tools and ui test programs again as an ordinary user (uid 65534, no groups), when
# the suite ran as root: root is exempt from the device permissions, TIOCEXCL and the ownership
# rules that bite everyone else. The checkout may lie where that user cannot go (root's home is
# 0700), so the test programs and the programs they start are copied into a scratch folder that
# every user can reach, and run from there: the environment variables PLOTWELL_TOOL and
# PLOTWELL_VIEWER name the copies. ctest is not used, since it would write into the root-owned
# build tree; the programs share a scratch TMPDIR, HOME and runtime folder. In a sanitized build
# leaks are left to the pass as root, whose suppressions this user may not be able to read.
#   scripts/ci-unprivileged.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
if [ "$(id -u)" != 0 ]; then
  echo "== Unprivileged pass: not root, so the suite above already ran as an ordinary user"
  exit 0
fi
as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
programs=(test_acquisition test_run test_tools test_serve test_ui)
# What the test programs start, by the variable that names it.
started=(PLOTWELL_TOOL=tools/plotwell-tool PLOTWELL_VIEWER=ui/plotwell)

scratch=$(mktemp -d /tmp/plotwell-unprivileged.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
# Root keeps the programs (readable and runnable by all, writable by none but root, as in the
# build tree); the user gets a home of its own beside them.
chmod 755 "$scratch"
mkdir -m 755 "$scratch/bin"
mkdir -m 700 "$scratch/home" "$scratch/home/runtime"
chown -R 65534:65534 "$scratch/home"
for program in "${programs[@]}"; do
  install -m 755 "$build/tests/$program" "$scratch/bin/"
done
environment=()
for entry in "${started[@]}"; do
  install -m 755 "$build/${entry#*=}" "$scratch/bin/"
  environment+=("${entry%%=*}=$scratch/bin/$(basename "${entry#*=}")")
done

home=$scratch/home
started_at=$SECONDS
failed=()
for program in "${programs[@]}"; do
  echo "== As uid 65534: $program"
  if ! (cd "$home" && "${as_nobody[@]}" env HOME="$home" TMPDIR="$home" XDG_RUNTIME_DIR="$home/runtime" \
       QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 "${environment[@]}" \
       "$scratch/bin/$program" --gtest_brief=1); then
    failed+=("$program")
  fi
done
echo "== Unprivileged pass: ${#programs[@]} programs in $(( SECONDS - started_at )) s, failed: ${failed[*]:-none}"
[ ${#failed[@]} -eq 0 ]
