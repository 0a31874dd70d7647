#!/usr/bin/env bash
# Installs what is needed, builds, and starts the viewer on its built-in simulated scanner.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
exec build/ui/plotwell --demo "$@"
