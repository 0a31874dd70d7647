#!/usr/bin/env bash
# The serial, tools and ui test programs again as an ordinary user (uid 65534, no groups), when
# the suite ran as root: root is exempt from the device permissions, TIOCEXCL and the ownership
# rules that bite everyone else. The programs run directly, since ctest would write into the
# root-owned build tree; they share a scratch TMPDIR, HOME and runtime folder.
#   scripts/ci-unprivileged.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
if [ "$(id -u)" != 0 ]; then
  echo "== Unprivileged pass: not root, so the suite above already ran as an ordinary user"
  exit 0
fi
as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
programs=(test_acquisition test_run test_tools test_ui)
for program in "${programs[@]}"; do
  if ! "${as_nobody[@]}" test -x "$build/tests/$program"; then
    echo "uid 65534 cannot run $build/tests/$program: every folder above the build tree must be" \
         "searchable by others (chmod o+x), e.g. check out somewhere other than /root" >&2
    exit 1
  fi
done

scratch=$(mktemp -d /tmp/plotwell-unprivileged.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime"
chown -R 65534:65534 "$scratch"
started=$SECONDS
failed=()
for program in "${programs[@]}"; do
  echo "== As uid 65534: $program"
  if ! "${as_nobody[@]}" env HOME="$scratch" TMPDIR="$scratch" XDG_RUNTIME_DIR="$scratch/runtime" \
       QT_QPA_PLATFORM=offscreen \
       "$build/tests/$program" --gtest_brief=1; then
    failed+=("$program")
  fi
done
echo "== Unprivileged pass: ${#programs[@]} programs in $(( SECONDS - started )) s, failed: ${failed[*]:-none}"
[ ${#failed[@]} -eq 0 ]
