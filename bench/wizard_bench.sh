#!/usr/bin/env bash
# The wizard beside the command line on the same generated site, in one run:
# `quillorn-cli scan --offline SITE` (folder walk, search, results, report)
# against the wizard's page 2 adding SITE and page 4 searching it offline, on
# Qt's offscreen platform with every line and repaint. Prints the medians and
# how much the window adds to the command line's time.
#
#   bash bench/wizard_bench.sh [BUILD_DIR]     BUILD_DIR defaults to build/release
#
# Environment: BENCH_PAGES   site size in pages (default 10000)
#              BENCH_REPS    timed runs of each after one warm-up (default 3)
#              BENCH_TIMEOUT seconds allowed for one run (default 600)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=bench/bench_lib.sh
source "$repo/bench/bench_lib.sh"

build="${1:-$repo/build/release}"
pages="${BENCH_PAGES:-10000}"
reps="${BENCH_REPS:-3}"
limit="${BENCH_TIMEOUT:-600}"

bench_find_programs "$build"
bench_find_wizard "$build"
bench_need_time
work="$(mktemp -d "${TMPDIR:-/tmp}/quillorn-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

site="$work/site"
echo "bench: generating $pages pages" >&2
"$GENSITE" --pages "$pages" --out "$site" >/dev/null
bench_site_stats "$site"

# Warm-ups fill the page cache for both.
bench_run "$limit" "$CLI" scan --offline "$site"
"$WIZARD" "$site" >/dev/null

clis=() cli_cpus=() adds=() searches=() wizards=() wizard_cpus=() last=""
for ((r = 1; r <= reps; r++)); do
  echo "bench: run $r of $reps" >&2
  bench_run "$limit" "$CLI" scan --offline "$site"
  bench_check_rc "quillorn-cli scan" 1
  clis+=("$RUN_WALL") cli_cpus+=("$RUN_CPU")
  BENCH_STDOUT="$work/wizard.txt" bench_run "$limit" "$WIZARD" "$site"
  bench_check_rc "quillorn-wizard-bench" 0
  last="$(cat "$work/wizard.txt")"
  wizards+=("$RUN_WALL") wizard_cpus+=("$RUN_CPU")
  adds+=("$(bench_field add_s "$last")")
  searches+=("$(bench_field search_s "$last")")
done

cli=$(bench_median "${clis[@]}")
add=$(bench_median "${adds[@]}")
search=$(bench_median "${searches[@]}")
whole=$(bench_median "${wizards[@]}")
cli_cpu=$(bench_median "${cli_cpus[@]}")
whole_cpu=$(bench_median "${wizard_cpus[@]}")
both=$(awk -v a="$add" -v s="$search" 'BEGIN {printf "%.3f", a + s}')
echo
echo "$pages pages, $SITE_FILES files ($SITE_SCANNED scanned); median of $reps runs after a warm-up; $(nproc) CPUs"
echo "wizard: $last"
printf '%-44s %8s %8s\n' "what" "wall_s" "cpu_s"
printf '%-44s %8s %8s\n' "quillorn-cli scan --offline (whole process)" "$cli" "$cli_cpu"
printf '%-44s %8s %8s\n' "wizard page 2: add the folder" "$add" "-"
printf '%-44s %8s %8s\n' "wizard page 4: search" "$search" "-"
printf '%-44s %8s %8s\n' "wizard add + search" "$both" "-"
printf '%-44s %8s %8s\n' "wizard whole process (start, add, search)" "$whole" "$whole_cpu"
awk -v w="$both" -v c="$cli" -v wc="$whole_cpu" -v cc="$cli_cpu" 'BEGIN {
  printf "the window adds %+.1f%% to the command line'"'"'s wall time (add + search against the whole scan),\n", (w / c - 1) * 100
  printf "and %+.1f%% to its CPU time (whole process against whole process, Qt'"'"'s start included)\n", (wc / cc - 1) * 100
}'
