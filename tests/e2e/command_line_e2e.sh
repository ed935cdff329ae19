#!/bin/bash
# The command line end to end: the real program run as a user's script runs
# it, on collections in temporary folders, without a display.
# Usage: command_line_e2e.sh PARVELA_EXE
set -u
exe=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -m 700 "$root/run"
export XDG_DATA_HOME="$root/a" XDG_RUNTIME_DIR="$root/run"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
failures=0

# check NAME EXPECTED_EXIT STDOUT_PATTERN STDERR_PATTERN -- ARGS...: runs the
# program (standard input from $input), then compares the exit code and
# matches the outputs against extended regular expressions ("" : empty).
input=/dev/null
check() {
  local name=$1 want_exit=$2 want_out=$3 want_err=$4
  shift 5
  "$exe" "$@" <"$input" >"$root/out" 2>"$root/err"
  local got=$?
  local ok=1
  [ "$got" = "$want_exit" ] || ok=0
  if [ -z "$want_out" ]; then [ ! -s "$root/out" ] || ok=0
  else grep -Eq -- "$want_out" "$root/out" || ok=0; fi
  if [ -z "$want_err" ]; then [ ! -s "$root/err" ] || ok=0
  else grep -Eq -- "$want_err" "$root/err" || ok=0; fi
  if [ $ok = 0 ]; then
    failures=$((failures + 1))
    echo "FAILED: $name: exit $got (want $want_exit)"
    echo "--- stdout:"; head -c 2000 "$root/out"; echo "--- stderr:"; head -c 2000 "$root/err"
  else
    echo "ok: $name"
  fi
}

check help 0 '^Usage: parvela' '' -- --help
check short-help 0 '^Usage: parvela' '' -- -h
check version 0 '^parvela [0-9]+\.[0-9]+\.[0-9]+$' '' -- --version
check unknown-option 2 '' '^parvela: unknown option: --bogus$' -- --bogus
check unknown-command 2 '' '^Usage: parvela' -- frobnicate
[ -e "$root/a" ] && { echo "FAILED: a refused command touched the data folder"; failures=$((failures + 1)); }

check add 0 '^[0-9]+$' '' -- add --tag 'e2e tag' 'first <quote> "one"'
printf 'bad \xff byte\nsecond line' >"$root/stdin"
input="$root/stdin" check add-stdin 0 '^[0-9]+$' '' -- add -
input=/dev/null
check list-newest-first 0 $'^[0-9]+\tbad \xef\xbf\xbd byte second line$' '' -- list --limit 1
check list-tag 0 $'first <quote> "one"\t\\[e2e tag\\]' '' -- list --tag 'e2e tag'
check tags 0 $'^e2e tag\t1$' '' -- tags
check unknown-tag 1 '' 'no tag named "nope"' -- list --tag nope
check search-not-yet 1 '' 'word search is not available yet' -- list --search words

check export-json 0 '' '' -- export --format json "$root/a.json"
XDG_DATA_HOME="$root/b" check import-empty 0 '^imported ' '' -- import "$root/a.json"
XDG_DATA_HOME="$root/b" check export-again 0 '' '' -- export --format json "$root/b.json"
if ! cmp -s "$root/a.json" "$root/b.json"; then
  failures=$((failures + 1)); echo "FAILED: round trip: the exports differ"
  diff "$root/a.json" "$root/b.json" | head -20
fi
XDG_DATA_HOME="$root/b" check import-not-empty 1 '' 'not empty: use --merge' -- import "$root/a.json"
XDG_DATA_HOME="$root/b" check import-merge 0 'skipped [1-9][0-9]* quotes' '' -- import --merge "$root/a.json"

# A running instance: commands that would write are refused; reading works.
QT_QPA_PLATFORM=offscreen "$exe" >/dev/null 2>&1 &
instance=$!
# Waits for the instance's socket (at most 20 s).
for _ in $(seq 1 400); do
  [ -S "$root/run/parvela.sock" ] && break
  sleep 0.05
done
check running-add 1 '' '^parvela is running: ' -- add text
check running-list 0 'first <quote>' '' -- list
kill "$instance"; wait "$instance" 2>/dev/null

echo "$failures failed"
[ "$failures" = 0 ]
