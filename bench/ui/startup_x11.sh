#!/usr/bin/env bash
# Start-up of the real program on an X server: the time from launching
# tintloom until xdotool finds its four start-up windows (main, hue, picker,
# layers) mapped. Each run starts the program afresh and kills it once seen
# (so the swatch file is not written back).
#
#   bench/ui/startup_x11.sh [build dir] [runs]     (defaults: build 7)
#
# Starts its own Xvfb; needs Xvfb and xdotool. Polling costs a few ms of the
# figure: it is an upper bound.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-7}
display=":$((50 + $$ % 40))"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
log=$(mktemp)
trap 'kill $xvfb 2>/dev/null; rm -f "$log"' EXIT
until DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1; do sleep 0.05; done

times=()
for ((i = 0; i < runs; ++i)); do
  start=$(date +%s%N)
  (cd "$build/app" && DISPLAY=$display QT_QPA_PLATFORM=xcb exec ./tintloom >/dev/null 2>"$log") &
  pid=$!
  until [ "$(DISPLAY=$display xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)" -ge 4 ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "run $((i + 1)): the program ended before its windows were seen:" >&2
      cat "$log" >&2
      exit 1
    fi
    sleep 0.003
  done
  end=$(date +%s%N)
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  ms=$(((end - start) / 1000000))
  times+=("$ms")
  echo "run $((i + 1)): ${ms} ms"
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
echo "median start-up to windows shown: ${median} ms (goal <= 300 ms)"
