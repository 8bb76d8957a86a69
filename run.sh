#!/usr/bin/env bash
# Installs what is missing, builds, and starts Glimra, optionally on FILE.
# Without a display the program runs on a virtual X display and a screenshot
# of its window is saved, so that a headless machine still shows it running.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"
glimra_install_packages
glimra_build glimra # the tests are built by test.sh

if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    exec "$GLIMRA_BUILD/glimra" "$@"
fi

shot="${GLIMRA_SCREENSHOT:-$PWD/glimra-screenshot.png}"
display=":$(( 90 + RANDOM % 100 ))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$app_pid" "$xvfb_pid" 2>/dev/null || true' EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$GLIMRA_BUILD/glimra" "$@" &
app_pid=$!
if ! xdotool search --sync --onlyvisible --name '^Glimra - ' >/dev/null 2>&1 & wait_pid=$!; then :; fi
for _ in $(seq 100); do
    kill -0 "$wait_pid" 2>/dev/null || break
    sleep 0.1
done
kill "$wait_pid" 2>/dev/null || true
sleep 1
import -window root "$shot"
echo "No display found: Glimra ran on the virtual display $display."
echo "Screenshot of its window: $shot"
