#!/usr/bin/env bash
# Builds orvdb and runs every test: installs the Debian packages the build
# needs when any is missing, then runs the default workflow preset
# (configure, build, test) into build/default.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ gcc libgtest-dev libgmock-dev googletest
          libcli11-dev nlohmann-json3-dev pkg-config)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq "${missing[@]}"
fi

cmake --workflow --preset default
