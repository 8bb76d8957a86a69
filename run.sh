#!/usr/bin/env bash
# Installs what is missing, builds, and starts Glimra on FILE (the example art
# when none is given). Without a display the program runs on a virtual X
# display of its own and a screenshot of its window is saved, so that a
# headless machine still shows it running.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"
glimra_install_packages
glimra_build glimra # the tests are built by test.sh

# A newcomer sees at once what Glimra is for; the program itself starts empty.
(( $# > 0 )) || set -- "$GLIMRA_ROOT/examples/glimra.nfo"

if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    exec "$GLIMRA_BUILD/glimra" "$@"
fi

shot="${GLIMRA_SCREENSHOT:-$PWD/glimra-screenshot.png}"
work="$(mktemp -d)"
app_pid="" xvfb_pid=""
trap 'kill $app_pid $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT
# The server picks a display that is free and writes its number when it is
# ready, so that no other server is ever used by mistake.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
number=""
read -r -t 20 number <"$work/display" || true
if [[ -z "$number" ]] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "Cannot start the virtual display (Xvfb):" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$number"

"$GLIMRA_BUILD/glimra" "$@" &
app_pid=$!
# Until the window shows (at most ten seconds), or the program ends.
for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Glimra - ' >/dev/null 2>&1 && break
    if ! kill -0 "$app_pid" 2>/dev/null; then
        wait "$app_pid" && status=0 || status=$?
        echo "Glimra ended (status $status) before its window showed." >&2
        exit 1
    fi
    sleep 0.1
done
sleep 1
import -display "$DISPLAY" -window root "$shot"
echo "No display found: Glimra ran on a virtual display of its own ($DISPLAY)."
echo "Screenshot of its window: $shot"
