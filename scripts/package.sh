#!/usr/bin/env bash
# Builds the Debian package: installs what building needs, makes a Release build of the programs
# alone (no tests) with Debian's own compiler flags (optimisation and hardening) into
# build-release/, and has CPack pack it:
#   scripts/package.sh        then: sudo apt-get install ./build-release/plotwell_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG -DPLOTWELL_BUILD_TESTS=OFF \
  "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
cd build-release
cpack -G DEB
