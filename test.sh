#!/usr/bin/env bash
# Installs what is missing, builds with tests and runs them all headless.
#   ./test.sh             plain release build in build/
#   ./test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
ensure_packages

dir=build
flags=(-DCMAKE_BUILD_TYPE=Release -DTINTLOOM_TESTS=ON)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  flags=(-DCMAKE_BUILD_TYPE=Debug -DTINTLOOM_TESTS=ON -DTINTLOOM_SANITIZE=ON)
fi
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j2
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j2
