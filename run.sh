#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts Tintloom.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
ensure_packages
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2
cd build/app
exec ./tintloom "$@"
