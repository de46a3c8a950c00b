#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a player gets: the
# layout, the desktop entries, metadata and MIME type through the desktop's own
# validators, and the installed programs run from that tree, from another folder,
# in a fresh home: keplo-reg, the engine libraries found in lib/keplo, and Keplo
# (and Pelterbox, when it is built) coming up headless on a game that only a Wine
# prefix's registry knows, with an empty settings store.
#   check-installed-tree.sh <build folder> <keplo-demo> <engine_probe>
set -euo pipefail
build=$(realpath "$1") demo=$(realpath "$2") probe=$(realpath "$3")
work=$(mktemp -d "${TMPDIR:-/tmp}/keplo-installed-XXXXXX")
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
usr=$root/usr

# The layout.
for f in bin/keplo bin/pelterbox bin/keplo-reg lib/keplo/libpakreader.so lib/keplo/libpakwriter.so \
  share/applications/com.halvane.Keplo.desktop share/metainfo/com.halvane.Keplo.metainfo.xml \
  share/applications/com.halvane.Pelterbox.desktop share/metainfo/com.halvane.Pelterbox.metainfo.xml \
  share/mime/packages/keplo.xml share/man/man1/keplo-reg.1.gz; do
  [ -f "$usr/$f" ] || fail "$f is not installed"
done
for icon in keplo:{16,22,24,32,48,64,128,256} pelterbox:{16,32,48}; do
  size=${icon#*:}
  icon=$usr/share/icons/hicolor/${size}x$size/apps/${icon%:*}.png
  [ -f "$icon" ] || fail "no ${size}x$size icon"
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  [ "$(od -An -tu4 --endian=big -j16 -N8 "$icon" | tr -s ' ')" = " $size $size" ] ||
    fail "the ${size}x$size icon is not $size pixels square"
done
[ -z "$(ls "$usr/bin" | grep '\.so$' || true)" ] || fail "libraries installed in bin/"
for program in "$usr"/bin/*; do
  ! readelf -d "$program" | grep -q -E 'RPATH|RUNPATH' || fail "$program carries a library path"
done

# The desktop's validators.
desktop-file-validate "$usr"/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr"/share/metainfo/*.xml >"$work/appstream.txt" ||
  fail "appstreamcli validate: $(cat "$work/appstream.txt")"
mkdir -p "$work/mime/packages"
cp "$usr/share/mime/packages/keplo.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >"$work/mime.txt" 2>&1 ||
  fail "update-mime-database: $(cat "$work/mime.txt")"
grep -q '^application/x-tribes2-vl2:\*\.vl2$' "$work/mime/globs" || fail "no *.vl2 glob"
grep -q '^application/x-tribes2-vl2 application/zip$' "$work/mime/subclasses" ||
  fail ".vl2 is no kind of zip"
zcat "$usr/share/man/man1/keplo-reg.1.gz" | grep -q 'find-game' || fail "the manual page"

# The programs, from another folder, in a fresh home without a settings store.
export HOME=$work/home
unset XDG_CONFIG_HOME XDG_DATA_HOME WINEPREFIX
mkdir -p "$HOME"
cd /
"$usr/bin/keplo-reg" --help | grep -q 'find-game' || fail "keplo-reg --help"

cp "$probe" "$usr/bin/engine_probe"
loaded=$("$usr/bin/engine_probe") || fail "the engine libraries do not load from the installed tree"
rm "$usr/bin/engine_probe"
[ "$loaded" = "$usr/lib/keplo/libpakreader.so"$'\n'"$usr/lib/keplo/libpakwriter.so" ] ||
  fail "the engine libraries came from elsewhere: $loaded"

# A game that its set-up, run under Wine, recorded in ~/.wine's registry only.
prefix=$HOME/.wine
"$demo" "$prefix/drive_c/Sierra/Tribes2" >/dev/null
mkdir -p "$prefix/dosdevices"
ln -s ../drive_c "$prefix/dosdevices/c:"
cat >"$prefix/system.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Wow6432Node\\Sierra Online\\Setup\\Tribes2] 1700000000
#time=1da2b3c4d5e6f70
"directory"="C:\\SIERRA\\tribes2"
REG
game=$(realpath "$prefix/drive_c/Sierra/Tribes2")
game_key='HKLM\SOFTWARE\Sierra Online\Setup\Tribes2'
work_key='HKLM\SOFTWARE\Halvane\Game Editors\Tribes2\Keplo'
stored() { # stored <key> <value>: the value's text, empty when missing
  "$usr/bin/keplo-reg" query "$1" /v "$2" 2>/dev/null | sed -n "s/^    $2    REG_SZ    //p"
}

# Starts an installed program headless and waits until its main window has loaded,
# which stores the work folder; the program must then still be running.
comes_up() {
  local program=$1
  rm -rf "$HOME/.config" "$HOME/.local"
  QT_QPA_PLATFORM=offscreen "$usr/bin/$program" >"$work/$program.log" 2>&1 &
  pid=$!
  for _ in $(seq 200); do
    [ -n "$(stored "$work_key" tempdir)" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$(stored "$work_key" tempdir)" ] ||
    fail "$program did not open its main window: $(cat "$work/$program.log")"
  kill -0 "$pid" 2>/dev/null || fail "$program ended: $(cat "$work/$program.log")"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=
  [ "$(stored "$game_key" directory)" = "$game" ] ||
    fail "$program stored the game as \"$(stored "$game_key" directory)\", not $game"
  # An installed program keeps its work folder in the user's data folder, never in /usr/bin.
  [ "$(stored "$work_key" tempdir)" = "$HOME/.local/share/Keplo/temp" ] ||
    fail "$program chose the work folder $(stored "$work_key" tempdir)"
}
comes_up keplo
comes_up pelterbox
[ ! -e "$usr/bin/temp" ] || fail "a program wrote into the installed tree"
echo "The installed tree in $root checks out."
