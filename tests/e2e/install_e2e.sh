#!/bin/bash
# The installed program end to end: `cmake --install` into a temporary DESTDIR, the desktop files
# validated, and the program started from there on a private Xvfb under strace: no file it opens
# may lie in the build or source tree, none it looks for in the installed tree may be missing.
# Usage: install_e2e.sh BUILD_DIR SOURCE_DIR
set -u
build=$(realpath "$1")
source=$(realpath "$2")
root=$(mktemp -d)
stage=$root/stage
xvfb="" program=""
trap 'for p in $program $xvfb; do kill "$p" && wait "$p"; done 2>/dev/null; rm -rf "$root"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

DESTDIR=$stage cmake --install "$build" --prefix /usr >"$root/install.log" 2>&1 ||
  { cat "$root/install.log"; fail "cmake --install"; exit 1; }
usr=$stage/usr
id=io.github.parvela.Parvela

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >"$root/as.log" 2>&1 ||
  { cat "$root/as.log"; fail "appstreamcli validate"; }
for size in 16 22 24 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x$size/apps/$id.png
  [ "$(identify -format '%wx%h' "$png" 2>/dev/null)" = "${size}x$size" ] || fail "icon $png"
done
for file in share/icons/hicolor/scalable/apps/$id.svg share/man/man1/parvela.1.gz \
    share/bash-completion/completions/parvela share/doc/parvela/copyright; do
  [ -s "$usr/$file" ] || fail "not installed: $file"
done
gzip -dc "$usr/share/man/man1/parvela.1.gz" | grep -q '^\.SH FILES' || fail "man page"

# Every file the page names (images, style sheets, cursors) is installed.
res=$usr/share/parvela/res
for name in $(grep -ohE '(src|href)="[^":]+"|url\([^):]+\)' "$res"/*.htm "$res"/*.css |
              sed -E 's/^(src|href)="//; s/"$//; s/^url\(//; s/\)$//' | sort -u); do
  [ -f "$res/$name" ] || fail "the page names $name, which is not installed"
done

# Files handed to the desktop by name: the help page (F1) and the about box's local links.
{ echo "Parvela Help.html"; grep -ohE 'link="[^":]+"' "$source/view/about.htm" |
    sed 's/^link="//; s/"$//'; } | sort -u | while read -r name; do
  [ -f "$usr/share/parvela/$name" ] || echo "$name"
done >"$root/unshipped"
[ -s "$root/unshipped" ] && fail "not installed: $(cat "$root/unshipped")"

version=$(sed -nE 's/^project\(Parvela VERSION ([0-9.]+).*/\1/p' "$source/CMakeLists.txt")
[ "$("$usr/bin/parvela" --version)" = "parvela $version" ] || fail "parvela --version from the installed tree"

# A new user's start, with no seed files but the shipped ones (XDG_DATA_DIRS is empty).
mkdir -m 700 "$root/run" "$root/data" "$root/dirs"
coproc XVFB { exec Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null; }
xvfb=$XVFB_PID
read -r -t 60 display <&"${XVFB[0]}"
[ -n "$display" ] || { fail "Xvfb did not start"; exit 1; }
env -i PATH="$PATH" HOME="$root" DISPLAY=":$display" XDG_DATA_HOME="$root/data" \
  XDG_RUNTIME_DIR="$root/run" XDG_DATA_DIRS="$root/dirs" XDG_CONFIG_HOME="$root/config" \
  PARVELA_NO_ERROR_BOX=1 \
  strace -f -qq -e trace=open,openat,stat,newfstatat,execve -o "$root/trace" \
  "$usr/bin/parvela" >"$root/out" 2>&1 &
program=$!
log=$root/data/Parvela/logs/application.log
for _ in $(seq 1 1200); do
  grep -q "Init complete" "$log" 2>/dev/null || ! kill -0 "$program" 2>/dev/null && break
  sleep 0.05
done
grep -q "Init complete" "$log" 2>/dev/null ||
  { fail "no \"Init complete\""; cat "$root/out" "$log" 2>/dev/null | tail -20; }
grep -q "^SetDataDir: $usr/share/parvela\$" "$log" 2>/dev/null ||
  fail "the program's files were not looked for in $usr/share/parvela"
# The program runs as strace's child; strace ends with its exit code.
child=$(pgrep -P "$program")
[ -n "$child" ] && kill -TERM "$child"
wait "$program" || fail "exit code $? after SIGTERM"
program=

XDG_DATA_HOME="$root/data" XDG_RUNTIME_DIR="$root/run" "$usr/bin/parvela" tags >"$root/tags" ||
  fail "parvela tags"
[ -s "$root/tags" ] || fail "the new collection has no tags: the seed files were not found"

grep -E "\"($build|$source)/" "$root/trace" | grep -v execve |
  sed 's/^/reaches into the build: /' >"$root/wrong"
grep -E "open(at)?\(.*\"$usr/share/parvela/[^\"]*\".* = -1 ENOENT" "$root/trace" |
  sed 's/^/missing: /' >>"$root/wrong"
[ -s "$root/wrong" ] && { fail "files the program opens"; head -20 "$root/wrong"; }
opened=$(grep -cE "open(at)?\(.*\"$usr/share/parvela/[^\"]*\",.* = [0-9]+$" "$root/trace")
[ "$opened" -gt 5 ] || fail "only $opened installed files opened: is the trace right?"

echo "$failures failed"
[ "$failures" = 0 ]
