#!/bin/bash
# Runs every fuzz target (or those named) for SECONDS each, JOBS at a time, on its seed corpus
# (fuzz/corpus/<target>, never written) plus earlier finds (BUILD/corpus/<target>), with its
# dictionary; prints each target's exec/s and coverage. A crash, leak or sanitizer report fails
# the run (input in BUILD/artifacts/, log in BUILD/fuzz-logs/). SECONDS 0 replays the seeds only;
# "test" (`make test`) replays them, then a fixed number of fresh inputs from a fixed seed.
#   fuzz/run.sh BUILD SECONDS [JOBS] [TARGET...]
set -u
build=$1 seconds=$2 jobs=${3:-1}
shift 2; [ $# -gt 0 ] && shift
here=$(cd "$(dirname "$0")" && pwd)
targets=${*:-$(cd "$here/corpus" && ls)}
mkdir -p "$build/artifacts" "$build/fuzz-logs"
# The targets' files in memory, where there is one, so that synced commits do not wait on a disk.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm

run_one() {
  local t=$1 log="$build/fuzz-logs/$1.log" dict="" runs=30000
  case $t in html_*|fragments_fuzz) dict=html ;; css_fuzz|selector_fuzz) dict=css ;;
    seed_xml_fuzz|drag_config_fuzz) dict=xml ;; esac
  case $t in fragments_fuzz) runs=400 ;; collection_file_fuzz) runs=1000 ;;
    html_document_fuzz|seed_xml_fuzz) runs=2000 ;; css_fuzz|drag_config_fuzz) runs=4000 ;;
    html_fragment_fuzz) runs=8000 ;; esac
  mkdir -p "$build/corpus/$t"
  if [ "$seconds" = 0 ]; then
    set -- -runs=0 "$here/corpus/$t"
  elif [ "$seconds" = test ]; then
    rm -rf "$build/test-corpus/$t" && mkdir -p "$build/test-corpus/$t"
    set -- -seed=1 -runs=$runs -max_total_time=60 "$build/test-corpus/$t" "$here/corpus/$t"
  else
    set -- -max_total_time="$seconds" "$build/corpus/$t" "$here/corpus/$t"
  fi
  if "$build/fuzz/$t" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
      ${dict:+-dict=$here/dict/$dict.dict} -artifact_prefix="$build/artifacts/$t-" "$@" >"$log" 2>&1; then
    execs=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    cov=$(grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -1 |
          sed -n 's/.*cov: \([0-9]*\) ft: \([0-9]*\) corp: \([^ ]*\).*/cov \1, ft \2, corpus \3/p')
    echo "$t: ok, $execs exec/s, $cov"
  else
    echo "$t: FAILED (see $log)"; grep -m3 -E 'ERROR|SUMMARY|==[0-9]+==' "$log"
    return 1
  fi
}

running=0
for t in $targets; do
  ( run_one "$t" ) &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then wait -n; running=$((running - 1)); fi
done
wait
! grep -l -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' \
  $(for t in $targets; do echo "$build/fuzz-logs/$t.log"; done) >/dev/null 2>&1
