#!/usr/bin/env bash
# Builds orvdb and runs every test: installs the Debian packages the build
# needs when any is missing, then runs the default workflow preset
# (configure, build, test) into build/default.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ gcc libgtest-dev libgmock-dev googletest
          libcli11-dev nlohmann-json3-dev pkg-config)
scripts/install-missing.sh "${packages[@]}"

cmake --workflow --preset default
