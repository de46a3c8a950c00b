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
for f in bin/keplo bin/pelterbox bin/keplo-reg bin/keplo-kept lib/keplo/libpakreader.so lib/keplo/libpakwriter.so \
  share/applications/com.halvane.Keplo.desktop share/metainfo/com.halvane.Keplo.metainfo.xml \
  share/applications/com.halvane.Pelterbox.desktop share/metainfo/com.halvane.Pelterbox.metainfo.xml \
  share/mime/packages/keplo.xml share/man/man1/keplo-reg.1.gz share/man/man1/keplo-kept.1.gz; do
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
zcat "$usr/share/man/man1/keplo-kept.1.gz" | grep -q 'forget' || fail "keplo-kept's manual page"
if command -v man >/dev/null; then
  MANWIDTH=80 man -l "$usr/share/man/man1/keplo-kept.1.gz" 2>"$work/man.txt" | grep -q 'EXIT STATUS' ||
    fail "keplo-kept's manual page does not read: $(cat "$work/man.txt")"
fi

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

# keplo-kept, installed, checks a kept version through the engine libraries in
# lib/keplo before it puts it back. The kept original is laid out here by hand as
# the programs keep it: below the game's kept folder (its name, a dash and the
# FNV-1a hash of its path), a copy of the archive and its record.
kgame=$work/kgame/Tribes2
"$demo" "$kgame" >/dev/null
kgame=$(realpath "$kgame")
keplo_kept() { "$usr/bin/keplo-kept" --game "$kgame" "$@"; }
"$usr/bin/keplo-kept" --help | grep -q 'forget NAME' || fail "keplo-kept --help"
keplo_kept list | grep -q 'Nothing is kept' || fail "keplo-kept list of nothing"
hash=-3750763034362895579 # 0xcbf29ce484222325
for byte in $(printf '%s' "$kgame" | od -An -tu1 -v); do
  hash=$(((hash ^ byte) * 1099511628211))
done
archive=$kgame/GameData/base/scripts.vl2
kept=$HOME/.local/share/Keplo/kept/Tribes2-$(printf '%016x' "$hash")/GameData/base/scripts.vl2
mkdir -p "$kept"
cp -p "$archive" "$kept/original.vl2"
cp -p "$archive" "$work/scripts.original"
cat >"$kept/original.record" <<RECORD
Keplo kept version 1
archive=GameData/base/scripts.vl2
kind=original
state=file
how=copy
source=$archive
program=check-installed-tree
kept=$(date +%s)
size=$(stat -c %s "$archive")
modified=$(stat -c %Y "$archive").000000000
inode=0
device=0
RECORD
cp "$kgame/GameData/base/missions.vl2" "$archive"
keplo_kept list | grep -q '^GameData/base/scripts.vl2  *original' || fail "keplo-kept list"
keplo_kept restore scripts >"$work/kept.txt" 2>&1 || fail "keplo-kept restore: $(cat "$work/kept.txt")"
cmp -s "$archive" "$work/scripts.original" || fail "keplo-kept restore put back other bytes"
# A damaged kept version is found by the engine's check and left alone.
# The first entry's data follows its local header: 30 bytes, its name and extra field.
name_length=$(od -An -tu2 -j26 -N2 "$kept/original.vl2" | tr -d ' ')
extra_length=$(od -An -tu2 -j28 -N2 "$kept/original.vl2" | tr -d ' ')
printf 'damaged' | dd of="$kept/original.vl2" bs=1 seek=$((30 + name_length + extra_length + 4)) \
  conv=notrunc 2>/dev/null
cp "$kgame/GameData/base/missions.vl2" "$archive"
set +e
keplo_kept restore scripts >"$work/kept.txt" 2>&1
status=$?
set -e
[ $status = 1 ] && grep -q 'is damaged' "$work/kept.txt" ||
  fail "keplo-kept restore of a damaged version ended with $status: $(cat "$work/kept.txt")"
cmp -s "$archive" "$kgame/GameData/base/missions.vl2" || fail "a damaged version was put back"
rm -rf "$work/kgame" "$HOME/.local/share/Keplo"

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
