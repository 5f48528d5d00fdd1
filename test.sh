#!/usr/bin/env bash
# Installs what is missing, builds with tests and runs them all headless.
#   ./test.sh             plain release build in build/
#   ./test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
# The plain build also makes the Debian package and checks it.
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

# The Debian package of the release build: cpack, lintian, the files as
# installed, and the unpacked program run from its scratch root.
check_debian_package() {
  local samples
  samples=$(sed -n 's/^TINTLOOM_PSD_SAMPLES_DIR:PATH=//p' "$1/CMakeCache.txt")
  bash tests/package/deb_package_test.sh "$1" "$samples/pt_1layer.psd"
}
if [ "$dir" = build ]; then
  check_debian_package "$dir"
fi
