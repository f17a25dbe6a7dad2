#!/usr/bin/env bash
# Times `quillorn-cli scan --offline --json` on generated sites of 1,000 and
# 10,000 pages, with `--jobs 1` and with the default (a thread per core),
# beside `cat` of the files the search reads, and prints files/s, MB/s, peak
# memory and the time against cat's for each. The three run in turn, run by
# run, so that a machine whose speed drifts slows them alike.
#
#   bash bench/scan_bench.sh [BUILD_DIR]     BUILD_DIR defaults to build/release
#
# Environment: BENCH_PAGES  site sizes in pages (default "1000 10000")
#              BENCH_REPS   timed runs per size after one warm-up (default 5)
#              BENCH_TIMEOUT seconds allowed for one run (default 600)
#              BENCH_SCAN_ARGS more scan options, such as --check-anchors (default none)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=bench/bench_lib.sh
source "$repo/bench/bench_lib.sh"

build="${1:-$repo/build/release}"
sizes="${BENCH_PAGES:-1000 10000}"
reps="${BENCH_REPS:-5}"
limit="${BENCH_TIMEOUT:-600}"
read -r -a extra <<< "${BENCH_SCAN_ARGS:-}"

bench_find_programs "$build"
bench_need_time
work="$(mktemp -d "${TMPDIR:-/tmp}/quillorn-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

rows=()
for pages in $sizes; do
  site="$work/site-$pages"
  echo "bench: generating $pages pages" >&2
  "$GENSITE" --pages "$pages" --out "$site" >/dev/null
  bench_site_stats "$site"

  # The warm-up run fills the page cache and keeps the report, for the findings count.
  BENCH_STDOUT="$work/report.json" BENCH_STDERR="$work/stderr" bench_run "$limit" "$CLI" scan --offline --json ${extra[@]+"${extra[@]}"} "$site"
  if [[ $RUN_RC -ne 0 && $RUN_RC -ne 1 ]]; then
    echo "bench: quillorn-cli scan exited with $RUN_RC on $pages pages:" >&2
    tail -n 5 "$work/stderr" >&2
    exit 1
  fi
  findings=$(sed -n 's/.*"summary": *"Done (\([0-9]*\).*/\1/p' "$work/report.json" | head -n 1)
  dropped=$(sed -n 's/.*"droppedFindings": *\([0-9]*\).*/\1/p' "$work/report.json" | head -n 1)
  rm -f "$work/report.json"

  # The files the search reads, for cat.
  find "$site" -type f \( -iname '*.htm' -o -iname '*.html' -o -iname '*.shtml' -o -iname '*.css' -o -iname '*.js' \) \
    -print0 >"$work/scanned"
  modes=(cat jobs1 default)
  declare -A walls=() cpus=() rss=()
  for ((r = 1; r <= reps; r++)); do
    echo "bench: $pages pages, run $r of $reps" >&2
    for mode in "${modes[@]}"; do
      case "$mode" in
        cat) bench_run "$limit" xargs -0 -a "$work/scanned" cat ;;
        jobs1) bench_run "$limit" "$CLI" scan --offline --json --jobs 1 ${extra[@]+"${extra[@]}"} "$site" ;;
        default) bench_run "$limit" "$CLI" scan --offline --json ${extra[@]+"${extra[@]}"} "$site" ;;
      esac
      if [[ $RUN_RC -ne 0 && ( $mode == cat || $RUN_RC -ne 1 ) ]]; then
        echo "bench: $mode exited with $RUN_RC on $pages pages (124: time-out)" >&2
        exit 1
      fi
      walls[$mode]+="$RUN_WALL " cpus[$mode]+="$RUN_CPU " rss[$mode]+="$RUN_RSS_KB "
    done
  done
  mb=$(awk -v b="$SITE_SCANNED_BYTES" 'BEGIN {printf "%.1f", b / 1e6}')
  # shellcheck disable=SC2086
  catWall=$(bench_median ${walls[cat]})
  for mode in "${modes[@]}"; do
    # shellcheck disable=SC2086
    wall=$(bench_median ${walls[$mode]})
    # shellcheck disable=SC2086
    cpu=$(bench_median ${cpus[$mode]})
    # shellcheck disable=SC2086
    peak=$(bench_max ${rss[$mode]})
    label=$mode
    [[ $mode == jobs1 ]] && label="--jobs 1"
    [[ $mode == default ]] && label="--jobs $(nproc)"
    rows+=("$(printf '%7s %-9s %7s %8s %8s %8s %7s %7s %9s %9s %8s %9s %6s' "$pages" "$label" "$SITE_FILES" \
      "$SITE_SCANNED" "$mb" "$([[ $mode == cat ]] && echo - || echo "${findings:-?}")" "$wall" "$cpu" \
      "$(bench_rate "$SITE_SCANNED" "$wall")" "$(bench_rate "$mb" "$wall")" "$(bench_rate "$mb" "$cpu")" \
      "$(awk -v k="$peak" 'BEGIN {printf "%.1f", k / 1024}')" "$(awk -v w="$wall" -v c="$catWall" 'BEGIN {printf "%.2f", w / c}')")")
  done
  unset walls cpus rss
  if [[ -n "$dropped" && "$dropped" != "0" ]]; then
    echo "bench: note: $dropped findings did not fit the found-URL table on $pages pages" >&2
  fi
  rm -rf "$site"
done

echo
echo "quillorn-cli scan --offline --json${BENCH_SCAN_ARGS:+ $BENCH_SCAN_ARGS} (median of $reps runs after a warm-up; $(nproc) CPUs)"
printf '%7s %-9s %7s %8s %8s %8s %7s %7s %9s %9s %8s %9s %6s\n' pages run files scanned MB findings wall_s cpu_s files/s MB/s \
  MB/cpu_s peak_MB x_cat
for row in "${rows[@]}"; do echo "$row"; done
