#!/usr/bin/env bash
# Checks what an installation delivers, from an already built tree: installs it into a scratch
# folder, validates the desktop entry and the AppStream metadata, starts the programs the way the
# launcher does, renders the manual pages, then makes the Debian package and has lintian check it.
#   scripts/ci-package.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

echo "== Installed files"
cmake --install "$build" --prefix "$stage/usr" >/dev/null
desktop-file-validate "$stage"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$stage"/usr/share/metainfo/*.metainfo.xml
# The launcher's command line, run from the installed programs: the right viewer, the version of this tree.
exec_command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$stage"/usr/share/applications/*.desktop | sort -u)
for program in $exec_command plotwell-tool; do
  reported=$("$stage/usr/bin/$program" --version)
  [ "$reported" = "$program $version" ] || { echo "$program --version says '$reported', not '$program $version'" >&2; exit 1; }
done
for page in "$stage"/usr/share/man/man1/*.1.gz; do
  complaints=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$complaints" ] || { echo "$page: $complaints" >&2; exit 1; }
done

echo "== Debian package"
(cd "$build" && cpack -G DEB >/dev/null)
deb="$build/plotwell_${version}_$(dpkg --print-architecture).deb"
dpkg-deb --field "$deb" Depends
lintian --fail-on error "$deb"
echo "== $deb: lintian found no errors"
