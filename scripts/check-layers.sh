#!/usr/bin/env bash
# Checks that no folder reaches a floor above it: each folder may include its
# own headers and those of the folders listed for it. Given the build folder
# too, it also checks that no library calls a function defined only in a
# library it may not use (a call by name, which an include check misses).
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
build="${2:-}"

declare -A may=(
    [platform]="platform"
    [document]="document platform"
    [formats]="formats document platform"
    [render]="render platform"
    [packs]="packs document platform"
    [textview]="textview document formats render platform"
    [settings]="settings platform"
    [charmap]="charmap platform"
    [shell]="shell platform"
    [controls]="controls platform"
    [app]="app textview document formats render packs settings charmap shell controls platform"
)

status=0
for folder in "${!may[@]}"; do
    while IFS=: read -r file line include; do
        target="${include#*\"}"
        target="${target%%/*}"
        if [[ " ${may[$folder]} " != *" $target "* ]]; then
            echo "$file:$line: $folder/ may not include $target/ (${include})"
            status=1
        fi
    done < <(cd "$root" && grep -Hn '^#include "[a-z]*/' "$folder"/*.cpp "$folder"/*.h 2>/dev/null || true)
done

if [[ -n "$build" ]]; then
    symbols="$(mktemp -d)"
    trap 'rm -rf "$symbols"' EXIT
    for folder in "${!may[@]}"; do
        lib="$(find "$build" -name "libglimra_$folder.a" -print -quit)"
        [[ -z "$lib" ]] && { echo "No library for $folder/ in $build"; status=1; continue; }
        # Our own functions only: Qt's, the standard library's and the
        # compiler's tables are everybody's.
        nm -C --defined-only "$lib" | awk '$2 ~ /^[TWDBRV]$/ { $1 = ""; $2 = ""; print substr($0, 3) }' |
            grep -v '^\(Q\|q_\|qt_\|std::\|vtable\|typeinfo\)' | sort -u > "$symbols/$folder.defined"
        nm -C -u "$lib" | sed 's/^ *U //' | sort -u > "$symbols/$folder.used"
    done
    for folder in "${!may[@]}"; do
        for other in "${!may[@]}"; do
            [[ " ${may[$folder]} " == *" $other "* ]] && continue
            calls="$(comm -12 "$symbols/$folder.used" "$symbols/$other.defined" || true)"
            if [[ -n "$calls" ]]; then
                echo "$folder/ calls up into $other/:"
                echo "$calls" | sed 's/^/    /'
                status=1
            fi
        done
    done
fi

[[ $status -eq 0 ]] && echo "Every include${build:+ and every call} stays on its floor or goes down."
exit $status
