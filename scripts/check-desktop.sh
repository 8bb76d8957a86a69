#!/usr/bin/env bash
# Installs a built Glimra into a temporary prefix and checks that a desktop
# takes it as the program for its files: the user guide and icons are in place,
# the desktop entry, the MIME package and the AppStream metainfo validate, .nfo, .diz, .ans
# and the art formats' files get their types,
# Glimra can be the default, and its thumbnailer makes a PNG of the asked size.
#   scripts/check-desktop.sh [BUILD_DIR]
set -euo pipefail
build="${1:-$(dirname "$0")/../build}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
share="$work/prefix/share"

desktop="com.torvane.glimra.desktop"
desktop-file-validate "$share/applications/$desktop" || fail "desktop entry does not validate"
metainfo="$share/metainfo/com.torvane.glimra.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "metainfo does not validate: $(appstreamcli validate --no-net "$metainfo")"
grep -q "<launchable type=\"desktop-id\">$desktop</launchable>" "$metainfo" || fail "metainfo does not launch $desktop"
[[ -f "$work/prefix/share/man/man1/glimra.1" ]] || fail "no manual page"
# The user guide where the program looks for it from bin/, and no data in bin/.
[[ -f "$share/glimra/Glimra.hlp" ]] || fail "no user guide in share/glimra"
[[ "$(ls "$work/prefix/bin")" == glimra ]] || fail "bin/ holds more than the program: $(ls "$work/prefix/bin")"
for size in 16 32 48; do
    icon="$share/icons/hicolor/${size}x${size}/apps/glimra.png"
    [[ "$(identify -format '%w %h' "$icon" 2>/dev/null)" == "$size $size" ]] || fail "no $size x $size icon"
done
# The database's own document type, taken from its freedesktop package.
sed -n '/<!DOCTYPE/,/]>/p' /usr/share/mime/packages/freedesktop.org.xml | sed '1s/.*\[//; $s/\]>//' > "$work/mime.dtd"
xmllint --noout --dtdvalid "$work/mime.dtd" "$share/mime/packages/glimra.xml" || fail "MIME package does not validate"
log="$(update-mime-database -V "$share/mime" 2>&1)" || fail "update-mime-database: $log"
if grep -qi 'warn\|error' <<<"$log"; then fail "update-mime-database: $log"; fi
update-desktop-database "$share/applications"

export XDG_DATA_DIRS="$share:/usr/share" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
# A desktop whose lookup reads the shared MIME database through XDG_DATA_DIRS.
export XDG_CURRENT_DESKTOP=GNOME
mkdir -p "$work/files" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
printf 'Greetings\r\n' > "$work/files/release.nfo"
printf 'A tool\r\n' > "$work/files/file_id.diz"
printf 'A tool\r\n' > "$work/files/tool.diz"
printf '\033[31mArt\r\n' > "$work/files/art.ans"
printf 'XBIN\032\001\000\001\000\020\000A\007' > "$work/files/art.xb"
printf '@X1FArt\r\n' > "$work/files/art.pcb"
{ printf '\001'; head -c 4288 /dev/zero; printf 'A\007'; } > "$work/files/art.adf"
{ printf '\0041.4\000\000\000\000\000\000\000\000A\007'; head -c 4144 /dev/zero; } > "$work/files/art.idf"
printf '\030TUNDRA24Art' > "$work/files/art.tnd"

check() { [[ "$2" == "$3" ]] || fail "$1: got '$2', expected '$3'"; }
check "type of release.nfo" "$(xdg-mime query filetype "$work/files/release.nfo")" text/x-nfo
check "type of file_id.diz" "$(xdg-mime query filetype "$work/files/file_id.diz")" text/x-diz
check "type of tool.diz" "$(xdg-mime query filetype "$work/files/tool.diz")" text/x-diz
check "type of art.ans" "$(xdg-mime query filetype "$work/files/art.ans")" text/x-ansi
check "type of art.xb" "$(xdg-mime query filetype "$work/files/art.xb")" image/x-xbin
check "type of art.pcb" "$(xdg-mime query filetype "$work/files/art.pcb")" text/x-pcboard
check "type of art.adf" "$(xdg-mime query filetype "$work/files/art.adf")" image/x-artworx
check "type of art.idf" "$(xdg-mime query filetype "$work/files/art.idf")" image/x-icedraw
check "type of art.tnd" "$(xdg-mime query filetype "$work/files/art.tnd")" image/x-tundra
xdg-mime default "$desktop" text/x-nfo
check "default for text/x-nfo" "$(xdg-mime query default text/x-nfo)" "$desktop"

# The thumbnailer's keys, and its command run as a file manager runs it:
# %s the size, %i the input, %o the output; no display needed.
thumbnailer="$share/thumbnailers/glimra.thumbnailer"
key() { sed -n "s/^$1=//p" "$thumbnailer"; }
check "thumbnailer types" "$(key MimeType)" "text/x-nfo;text/x-diz;text/x-ansi;image/x-xbin;text/x-pcboard;image/x-artworx;image/x-icedraw;image/x-tundra;"
check "thumbnailer TryExec" "$(key TryExec)" glimra
command="$(key Exec)"
command="${command//%s/128}"; command="${command//%i/$(dirname "$0")/../examples/glimra.nfo}"; command="${command//%o/$work/thumb.png}"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$work/prefix/bin:$PATH" $command || fail "thumbnailer: $command"
size="$(identify -format '%w %h' "$work/thumb.png")" || fail "thumbnail is no image"
read -r width height <<<"$size"
(( width <= 128 && height <= 128 && (width == 128 || height == 128) )) || fail "thumbnail is $width x $height, not within 128"
echo "desktop integration: ok"
