#!/bin/bash
# The command line end to end, on collections in temporary folders: without a display, then on
# a private Xvfb, without and with a running instance (the commands then go through it).
# Usage: command_line_e2e.sh PARVELA_EXE
set -u
exe=$1
root=$(mktemp -d)
xvfb="" instance=""
trap '[ -n "$instance" ] && kill "$instance" 2>/dev/null; [ -n "$xvfb" ] && kill "$xvfb"; rm -rf "$root"' EXIT
mkdir -m 700 "$root/run"
export XDG_DATA_HOME="$root/a" XDG_RUNTIME_DIR="$root/run"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
clipboard_is() {  # NAME TEXT
  local got; got=$(xclip -o -selection clipboard); [ "$got" = "$2" ] || fail "$1: the clipboard holds: $got"; }

# check NAME EXIT STDOUT_ERE STDERR_ERE -- ARGS...: runs the program on $input ("" : no output).
input=/dev/null
matches() { if [ -z "$1" ]; then [ ! -s "$2" ]; else grep -Eq -- "$1" "$2"; fi; }
check() {
  local name=$1 want_exit=$2 want_out=$3 want_err=$4
  shift 5
  "$exe" "$@" <"$input" >"$root/out" 2>"$root/err"
  local got=$?
  if [ "$got" = "$want_exit" ] && matches "$want_out" "$root/out" && matches "$want_err" "$root/err"
  then echo "ok: $name"
  else
    fail "$name: exit $got (want $want_exit)"
    echo "--- stdout:"; head -c 2000 "$root/out"; echo "--- stderr:"; head -c 2000 "$root/err"
  fi
}

check help 0 '^Usage: parvela' '' -- --help
check version 0 '^parvela [0-9]+\.[0-9]+\.[0-9]+$' '' -- --version
check unknown-option 2 '' '^parvela: unknown option: --bogus$' -- --bogus
check unknown-command 2 '' '^Usage: parvela' -- frobnicate
[ -e "$root/a" ] && fail "a refused command touched the data folder"

check add 0 '^[0-9]+$' '' -- add --tag 'e2e tag' 'first <quote> "one"'
first_id=$(head -n1 "$root/out")
printf 'bad \xff byte\nsecond line' >"$root/stdin"
input="$root/stdin" check add-stdin 0 '^[0-9]+$' '' -- add -
check list-newest-first 0 $'^[0-9]+\tbad \xef\xbf\xbd byte second line$' '' -- list --limit 1
check list-tag 0 $'first <quote> "one"\t\\[e2e tag\\]' '' -- list --tag 'e2e tag'
check tags 0 $'^e2e tag\t1$' '' -- tags
check unknown-tag 1 '' 'no tag named "nope"' -- list --tag nope
check search-words 0 $'first <quote>' '' -- list --search 'first quote'
check search-none 0 '' '' -- list --search 'nowhere'
check search-export 0 'first &#60;quote&#62;' '' -- export --format html --search first -
check show-none 1 '' '^parvela: Parvela is not running$' -- show
check quit-none 1 '' '^parvela: Parvela is not running$' -- quit
check capture-no-display 1 '' 'capture needs an X11 display' -- capture
check copy-no-display 1 '' 'copy needs an X11 display' -- copy "$first_id"
check copy-unknown 1 '' 'no quote with the id 999999' -- copy 999999

check export-json 0 '' '' -- export --format json "$root/a.json"
XDG_DATA_HOME="$root/b"
check import-empty 0 '^imported ' '' -- import "$root/a.json"
check export-again 0 '' '' -- export --format json "$root/b.json"
cmp -s "$root/a.json" "$root/b.json" ||
  { fail "round trip: the exports differ"; diff "$root/a.json" "$root/b.json" | head -20; }
check import-not-empty 1 '' 'not empty: use --merge' -- import "$root/a.json"
check import-merge 0 'skipped [1-9][0-9]* quotes' '' -- import --merge "$root/a.json"
XDG_DATA_HOME="$root/a"

# Two commands at once, ten adds each: every quote of both is stored (WANT quotes in all).
parallel_adds() {
  adds() { for n in $(seq 1 10); do "$exe" add "parallel $1 $n" >/dev/null || echo "add failed"; done; }
  adds "$1" >"$root/par_1" 2>&1 & local other=$!
  adds "$2" >"$root/par_2" 2>&1; wait "$other"
  count=$("$exe" list --search parallel | wc -l)
  [ "$count" = "$3" ] && [ ! -s "$root/par_1" ] && [ ! -s "$root/par_2" ] &&
    echo "ok: parallel adds $1 $2" || fail "parallel adds $1 $2: $count quotes"
}
parallel_adds a b 20

coproc XVFB { exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null; }
xvfb=$XVFB_PID
read -r -t 60 number <&"${XVFB[0]}"
export DISPLAY=:$number

# No instance: copy hands the text to a keeper process, capture reads the clipboard itself.
check copy-keeper 0 '' '' -- copy "$first_id"
clipboard_is copy-keeper 'first <quote> "one"'
printf 'clipboard words one' | xclip -i -selection clipboard 2>/dev/null
check capture 0 '^[0-9]+$' '' -- capture
check capture-stored 0 $'\tclipboard words one$' '' -- list --limit 1

# A running instance started now sees the quotes stored before it.
PARVELA_NO_ERROR_BOX=1 "$exe" >"$root/instance.out" 2>&1 &
instance=$!
for _ in $(seq 1 1200); do "$exe" show >/dev/null 2>&1 && break; sleep 0.05; done
[ "$(stat -c %a "$XDG_RUNTIME_DIR/parvela.sock")" = 600 ] || fail "the socket is not 0600"
# Another user's process is refused, even when the socket's mode lets it in.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  chmod 755 "$root" "$XDG_RUNTIME_DIR"; chmod 666 "$XDG_RUNTIME_DIR/parvela.sock"
  other=$(setpriv --reuid=65534 --regid=65534 --clear-groups "$exe" list 2>&1 >/dev/null)
  chmod 700 "$root" "$XDG_RUNTIME_DIR"; chmod 600 "$XDG_RUNTIME_DIR/parvela.sock"
  [ "$other" = "parvela: refused: the command comes from another user's process" ] ||
    fail "another user: $other"
fi
check running-list 0 'clipboard words one' '' -- list
check running-add 0 '^[0-9]+$' '' -- add --tag 'running tag' 'added <while> running'
id=$(head -n1 "$root/out")
grep -q "add_quote complete; id: $id\$" "$XDG_DATA_HOME/Parvela/logs/model.log" ||
  fail "running-add did not go through the window's capture"
input="$root/stdin" check running-add-stdin 0 '^[0-9]+$' '' -- add -
check running-list-newest 0 $'bad \xef\xbf\xbd byte second line$' '' -- list --limit 1
check running-list-tag 0 $'added <while> running\t\\[running tag\\]' '' -- list --tag 'running tag'
check running-search 0 'added <while> running' '' -- list --search 'while running' --format json
check running-export 0 '' '' -- export --format json "$root/running.json"
grep -q 'added <while> running' "$root/running.json" || fail "running-export: the file lacks the new quote"
check running-import-merge 0 'skipped [1-9][0-9]* quotes' '' -- import --merge "$root/running.json"
check running-copy 0 '' '' -- copy "$id" --with-tags
clipboard_is running-copy $'added <while> running\n\nrunning tag'
printf 'captured by the window' | xclip -i -selection clipboard 2>/dev/null
check running-capture 0 '^[0-9]+$' '' -- capture
check running-capture-stored 0 $'\tcaptured by the window$' '' -- list --limit 1
check running-usage 2 '' '^Usage: parvela' -- list --limit x

# Requests the instance refuses: answered with an error, and it goes on.
python3 - "$XDG_RUNTIME_DIR/parvela.sock" >"$root/raw" 2>&1 <<'PY'
import socket, struct, sys
def ask(data, close_write=True):
    s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); s.sendall(data)
    if close_write: s.shutdown(socket.SHUT_WR)
    return b"".join(iter(lambda: s.recv(65536), b""))[20:].decode(errors="replace").strip()
held = socket.socket(socket.AF_UNIX); held.connect(sys.argv[1])  # says nothing
print(ask(struct.pack("<I", 64 * 1024 * 1024 + 1), close_write=False))
print(ask(struct.pack("<II", 100, 1)))
print(ask(struct.pack("<III", 8, 7, 0)))
print(ask(b"show\n"))
PY
cat >"$root/raw_want" <<'WANT'
parvela: request over 64 MB
parvela: truncated request
parvela: this Parvela speaks version 1 of the command protocol, not 7: quit it and start it again
parvela: request over 64 MB
WANT
cmp -s "$root/raw" "$root/raw_want" || { fail "refused requests:"; diff "$root/raw_want" "$root/raw"; }
check running-after-refusals 0 'added <while> running' '' -- list

parallel_adds c d 40  # through the instance

check running-quit 0 '' '' -- quit
wait "$instance" || fail "quit: the instance ended with $?"
instance=""
check after-quit 1 '' 'Parvela is not running' -- show

echo "$failures failed"
[ "$failures" = 0 ]
