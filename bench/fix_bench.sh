#!/usr/bin/env bash
# Times the rewriting pass: `quillorn-cli fix --offline` on fresh copies of
# generated sites of 1,000 and 10,000 pages, against `scan --offline` on the
# same copy. fix searches first, so the rewriting pass is the difference.
# Prints files/s and MB/s of the rewriting pass (files rewritten, each with
# its backup; MB of all HTML, CSS and JS files, which the pass reads and
# compares when they hold findings).
#
#   bash bench/fix_bench.sh [BUILD_DIR]      BUILD_DIR defaults to build/release
#
# Environment: BENCH_PAGES  site sizes in pages (default "1000 10000")
#              BENCH_REPS   timed runs per size (default 3)
#              BENCH_TIMEOUT seconds allowed for one run (default 600)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=bench/bench_lib.sh
source "$repo/bench/bench_lib.sh"

build="${1:-$repo/build/release}"
sizes="${BENCH_PAGES:-1000 10000}"
reps="${BENCH_REPS:-3}"
limit="${BENCH_TIMEOUT:-600}"

bench_find_programs "$build"
bench_need_time
work="$(mktemp -d "${TMPDIR:-/tmp}/quillorn-fixbench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

rows=()
for pages in $sizes; do
  master="$work/master-$pages"
  echo "bench: generating $pages pages" >&2
  "$GENSITE" --pages "$pages" --out "$master" >/dev/null
  bench_site_stats "$master"
  mb=$(awk -v b="$SITE_SCANNED_BYTES" 'BEGIN {printf "%.1f", b / 1e6}')

  scans=() fixes=() rss=()
  for ((r = 1; r <= reps; r++)); do
    echo "bench: $pages pages, run $r of $reps" >&2
    copy="$work/copy"
    rm -rf "$copy"
    cp -a "$master" "$copy"
    sync
    bench_run "$limit" "$CLI" scan --offline "$copy"
    if [[ $RUN_RC -ne 0 && $RUN_RC -ne 1 ]]; then
      echo "bench: quillorn-cli scan exited with $RUN_RC" >&2
      exit 1
    fi
    scans+=("$RUN_WALL")
    BENCH_STDOUT="$work/fix.out" bench_run "$limit" "$CLI" fix --offline "$copy"
    if [[ $RUN_RC -ne 0 ]]; then
      echo "bench: quillorn-cli fix exited with $RUN_RC (124: time-out)" >&2
      exit 1
    fi
    fixes+=("$RUN_WALL") rss+=("$RUN_RSS_KB")
    # Only files in which something changes are rewritten, each with its backup.
    rewritten=$(grep -c '^Processing "' "$work/fix.out" || true)
    backups=$(find "$copy" -name '*.bak' | wc -l)
    if [[ "$backups" -ne "$rewritten" ]]; then
      echo "bench: $rewritten files rewritten, but $backups backups" >&2
      exit 1
    fi
  done
  scan=$(bench_median "${scans[@]}")
  fix=$(bench_median "${fixes[@]}")
  pass=$(awk -v f="$fix" -v s="$scan" 'BEGIN {d = f - s; if (d < 0.001) d = 0.001; printf "%.3f", d}')
  peak=$(bench_max "${rss[@]}")
  rows+=("$(printf '%7s %9s %9s %8s %8s %8s %9s %9s %9s' "$pages" "$SITE_SCANNED" "$rewritten" "$mb" "$scan" "$fix" \
    "$(bench_rate "$rewritten" "$pass")" "$(bench_rate "$mb" "$pass")" \
    "$(awk -v k="$peak" 'BEGIN {printf "%.1f", k / 1024}')")")
  rm -rf "$master" "$work/copy"
done

echo
echo "quillorn-cli fix --offline, rewriting pass = fix - scan (median of $reps runs; $(nproc) CPUs)"
printf '%7s %9s %9s %8s %8s %8s %9s %9s %9s\n' pages scanned rewritten MB scan_s fix_s files/s MB/s peak_MB
for row in "${rows[@]}"; do echo "$row"; done
