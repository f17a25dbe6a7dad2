# shellcheck shell=bash disable=SC2034  # the variables set here are read by the scripts that source this
# Helpers shared by the bench scripts; sourced, not run.

# Sets CLI and GENSITE from a build folder, or explains how to build them.
bench_find_programs() {
  local build="$1"
  CLI="$build/cli/quillorn-cli"
  GENSITE="$build/bench/quillorn-gensite"
  if [[ ! -x "$CLI" || ! -x "$GENSITE" ]]; then
    echo "bench: $CLI or $GENSITE is missing; build them first:" >&2
    echo "  cmake --preset release && cmake --build --preset release" >&2
    echo "or name another build folder as the first argument." >&2
    exit 2
  fi
}

# Sets WIZARD, the wizard bench, from a build folder, or explains how to build it.
bench_find_wizard() {
  WIZARD="$1/bench/quillorn-wizard-bench"
  if [[ ! -x "$WIZARD" ]]; then
    echo "bench: $WIZARD is missing; build it (it needs QUILLORN_GUI=ON):" >&2
    echo "  cmake --preset release && cmake --build --preset release" >&2
    exit 2
  fi
}

# Ends the bench when the last bench_run of program NAME exited above MAX_OK
# (the wizard bench allows 0, quillorn-cli 1 for "something to do").
bench_check_rc() {
  if ((RUN_RC > $2)); then
    echo "bench: $1 exited with $RUN_RC (124: time-out)" >&2
    exit 1
  fi
}

# The figure a bench program prints as "... NAME VALUE ..." in TEXT.
bench_field() { sed -n "s/.* $1 \([0-9.]*\) .*/\1/p" <<<"$2"; }

# /usr/bin/time reports the peak memory; the shell keyword cannot.
bench_need_time() {
  [[ -x /usr/bin/time ]] && return 0
  if [[ $(id -u) -eq 0 ]] && command -v apt-get >/dev/null; then
    echo "bench: installing the 'time' package" >&2
    timeout 600 apt-get install -y -qq time >/dev/null 2>&1 ||
      { timeout 600 apt-get update -qq >/dev/null 2>&1 && timeout 600 apt-get install -y -qq time >/dev/null 2>&1; } || true
  fi
  if [[ ! -x /usr/bin/time ]]; then
    echo "bench: /usr/bin/time is missing; install the 'time' package" >&2
    exit 2
  fi
}

# Sets SITE_FILES (all files), SITE_SCANNED (HTML, CSS and JS files) and
# SITE_SCANNED_BYTES (their bytes) for the site in folder $1.
bench_site_stats() {
  local site="$1"
  SITE_FILES=$(find "$site" -type f | wc -l)
  read -r SITE_SCANNED SITE_SCANNED_BYTES < <(
    find "$site" -type f \( -iname '*.htm' -o -iname '*.html' -o -iname '*.shtml' -o -iname '*.css' -o -iname '*.js' \) \
      -printf '%s\n' | awk '{n++; b+=$1} END {printf "%d %d\n", n, b}')
}

# Runs "$@" once under `timeout $1` (after shifting it off) with its standard
# output going to $BENCH_STDOUT (default /dev/null). Sets RUN_RC (124 on a
# time-out), RUN_WALL and RUN_CPU (seconds, user + system) and RUN_RSS_KB (peak
# resident set size of the command, from /usr/bin/time).
bench_run() {
  local limit="$1"
  shift
  local stats start end
  stats=$(mktemp)
  start=$(date +%s%N)
  RUN_RC=0
  /usr/bin/time -f '%U %S %M' -o "$stats" timeout -k 10 "$limit" "$@" >"${BENCH_STDOUT:-/dev/null}" 2>>"${BENCH_STDERR:-/dev/null}" || RUN_RC=$?
  end=$(date +%s%N)
  RUN_WALL=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", (b - a) / 1e9}')
  # The last line: /usr/bin/time puts "Command exited with non-zero status" first.
  read -r RUN_CPU RUN_RSS_KB < <(tail -n 1 "$stats" | awk '{printf "%.2f %d\n", $1 + $2, $3}')
  rm -f "$stats"
}

# The median of the numbers given as arguments.
bench_median() {
  printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {if (NR % 2) print a[(NR + 1) / 2]; else printf "%.3f\n", (a[NR / 2] + a[NR / 2 + 1]) / 2}'
}

# The largest of the numbers given as arguments.
bench_max() {
  printf '%s\n' "$@" | sort -g | tail -n 1
}

# Rate $1 / $2, one decimal; "-" when $2 is zero.
bench_rate() {
  awk -v n="$1" -v s="$2" 'BEGIN {if (s > 0) printf "%.1f", n / s; else print "-"}'
}
