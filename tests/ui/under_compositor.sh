#!/usr/bin/env bash
# Runs a window test program inside a real Wayland compositor, in a session of
# its own, as a user of a Wayland desktop would start the program: the
# program chooses its platform itself, and its session bus is a private
# dbus-daemon where the test offers a stand-in screen-colour portal.
#   under_compositor.sh weston PROGRAM [ARGS...]  weston, headless: native Wayland
#   under_compositor.sh mutter PROGRAM [ARGS...]  mutter, headless with XWayland
# With NO_X_SERVER_AT set to a display name, weston's session names an X
# display that cannot be reached, as when XWayland fails to start.
# Exits 77 (skipped) when the compositor or dbus-daemon is not installed.
set -uo pipefail
compositor=$1
shift

command -v "$compositor" >/dev/null || { echo "SKIPPED: $compositor is not installed"; exit 77; }
command -v dbus-daemon >/dev/null || { echo "SKIPPED: dbus-daemon is not installed"; exit 77; }
if [ "$compositor" = mutter ]; then
  command -v Xwayland >/dev/null || { echo "SKIPPED: Xwayland is not installed"; exit 77; }
  # XWayland puts its socket there and refuses a folder others cannot write to.
  # A fresh machine may have it with a narrower mode; as root, give it the
  # mode every X server expects rather than skip.
  if [ -d /tmp/.X11-unix ] && [ "$(id -u)" -eq 0 ]; then chmod 1777 /tmp/.X11-unix; fi
  if [ -d /tmp/.X11-unix ] && [ "$(( 0$(stat -c %a /tmp/.X11-unix) & 01022 ))" -ne $(( 01022 )) ]; then
    echo "SKIPPED: /tmp/.X11-unix has mode $(stat -c %a /tmp/.X11-unix), not 1777: XWayland cannot start"
    exit 77
  fi
fi

# The runtime folder must be private (compositors refuse anything else).
work=$(mktemp -d)
chmod 700 "$work"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$work XDG_SESSION_TYPE=wayland
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
socket=tintloom-test-$$

printf '%s' '<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy></busconfig>' >"$work/bus.conf"
dbus-daemon --config-file="$work/bus.conf" --nofork --print-address=1 >"$work/bus.address" 2>"$work/bus.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/bus.address" ] && break; sleep 0.05; done
[ -s "$work/bus.address" ] || { echo "FAIL: dbus-daemon did not start"; cat "$work/bus.log"; exit 1; }
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus.address")
export DBUS_SESSION_BUS_ADDRESS

case $compositor in
  weston)
    weston --backend=headless-backend.so --use-pixman --socket="$socket" --idle-time=0 --no-config \
      --width=1280 --height=1024 >"$work/compositor.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 200); do [ -S "$work/$socket" ] && break; sleep 0.05; done
    [ -S "$work/$socket" ] || { echo "FAIL: weston did not start"; cat "$work/compositor.log"; exit 1; }
    if [ -n "${NO_X_SERVER_AT:-}" ]; then export DISPLAY=$NO_X_SERVER_AT; fi
    # The program's side of the protocol goes to a log the test reads: only
    # there does it show what the compositor was told about the windows.
    CLIENT_PROTOCOL_LOG=$work/client.log WAYLAND_DEBUG=client WAYLAND_DISPLAY=$socket "$@" 2>"$work/client.log"
    status=$?
    grep -v '^\[ *[0-9.]*\] ' "$work/client.log" >&2
    ;;
  mutter)
    # mutter starts XWayland, runs the program with DISPLAY and
    # WAYLAND_DISPLAY set and ends with it; the status comes back in a file.
    mutter --headless --wayland --virtual-monitor 1280x1024 --wayland-display="$socket" -- \
      bash -c '"$@"; echo $? >"$0"' "$work/status" "$@" >"$work/compositor.log" 2>&1
    status=$(cat "$work/status" 2>/dev/null || echo 1)
    # The program's own output is in the compositor's log.
    grep -v '^libmutter-Message\|^Window manager warning' "$work/compositor.log"
    exit "$status"
    ;;
  *)
    echo "unknown compositor $compositor"
    exit 2
    ;;
esac
[ "$status" -eq 0 ] || { echo "--- $compositor log"; tail -n 30 "$work/compositor.log"; }
exit "$status"
