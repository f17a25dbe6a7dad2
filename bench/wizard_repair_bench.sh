#!/usr/bin/env bash
# The wizard's pages 5 to 7 in figures, in one run:
#  - page 5 on a made-up table of 65,536 findings in 20,000 lines: the fill
#    when the page is shown, and Apply on a line that stands for 10,000
#    findings (`quillorn-wizard-bench --review`);
#  - a whole repair of the generated site beside the command line's:
#    `quillorn-cli fix --offline SITE` against the wizard adding SITE on page
#    2, then pages 4 to 7 with their first choices (search offline, results,
#    deletion properties, the question answered Yes, the rewriting), each on a
#    fresh copy of the site, on Qt's offscreen platform. Both leave the
#    Internet URLs that an offline search cannot check as they are (the
#    wizard bench takes them out of the findings, as `fix` does), so both
#    make the same changes; the script checks that the sites come out equal.
# Prints the medians and how much the window adds to the command line's time.
#
#   bash bench/wizard_repair_bench.sh [BUILD_DIR]     BUILD_DIR defaults to build/release
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

fills=() applies=() review=""
for ((r = 1; r <= reps; r++)); do
  review="$("$WIZARD" --review 2>/dev/null)"
  fills+=("$(bench_field fill_s "$review")")
  applies+=("$(bench_field apply_s "$review")")
done

original="$work/original"
echo "bench: generating $pages pages" >&2
"$GENSITE" --pages "$pages" --out "$original" >/dev/null
bench_site_stats "$original"

# A fresh copy for every run; a warm-up of each fills the page cache.
# The copy is flushed to disk first, so that no run pays for writing it back.
fresh() { rm -rf "$work/site" && cp -a "$original" "$work/site" && sync; }
fix=("$CLI" fix --offline "$work/site")
fresh
bench_run "$limit" "${fix[@]}"
fresh && bench_run "$limit" "$WIZARD" --repair "$work/site"

clis=() cli_cpus=() wizards=() wizard_cpus=() adds=() steps=() rewrites=() last="" cli_done=""
run_cli() {
  fresh
  BENCH_STDOUT="$work/cli.txt" bench_run "$limit" "${fix[@]}"
  bench_check_rc "quillorn-cli fix" 1
  clis+=("$RUN_WALL") cli_cpus+=("$RUN_CPU")
  cli_done="$(grep '^Done (' "$work/cli.txt" || true)"
  echo "bench: fix $RUN_WALL s wall, $RUN_CPU s CPU" >&2
  if [[ ! -d "$work/fixed" ]]; then mv "$work/site" "$work/fixed"; fi
}
run_wizard() {
  fresh
  BENCH_STDOUT="$work/wizard.txt" bench_run "$limit" "$WIZARD" --repair "$work/site"
  bench_check_rc "quillorn-wizard-bench" 0
  last="$(cat "$work/wizard.txt")"
  wizards+=("$RUN_WALL") wizard_cpus+=("$RUN_CPU")
  adds+=("$(bench_field add_s "$last")")
  steps+=("$(bench_field pages4to7_s "$last")")
  rewrites+=("$(bench_field rewrite_s "$last")")
  echo "bench: wizard $RUN_WALL s wall, $RUN_CPU s CPU" >&2
  if [[ -d "$work/fixed" && ! -f "$work/compared" ]]; then
    touch "$work/compared"
    if ! diff -r -q "$work/fixed" "$work/site" >"$work/diff.txt"; then
      echo "bench: the wizard and fix wrote different sites:" >&2
      head -n 5 "$work/diff.txt" >&2
    fi
  fi
}
# The two take turns at going first, so that neither always follows the
# other's writes.
for ((r = 1; r <= reps; r++)); do
  echo "bench: run $r of $reps" >&2
  if ((r % 2)); then run_cli && run_wizard; else run_wizard && run_cli; fi
done
fill=$(bench_median "${fills[@]}")
apply=$(bench_median "${applies[@]}")
cli=$(bench_median "${clis[@]}")
cli_cpu=$(bench_median "${cli_cpus[@]}")
add=$(bench_median "${adds[@]}")
step=$(bench_median "${steps[@]}")
rewrite=$(bench_median "${rewrites[@]}")
whole=$(bench_median "${wizards[@]}")
whole_cpu=$(bench_median "${wizard_cpus[@]}")
both=$(awk -v a="$add" -v s="$step" 'BEGIN {printf "%.3f", a + s}')
echo
echo "page 5, median of $reps runs; $(nproc) CPUs"
echo "review: $review"
printf '%-52s %8s\n' "what" "wall_s"
printf '%-52s %8s\n' "fill: 65,536 findings in 20,000 lines" "$fill"
printf '%-52s %8s\n' "Apply on a line of 10,000 findings" "$apply"
echo
echo "$pages pages, $SITE_FILES files ($SITE_SCANNED scanned); median of $reps runs after a warm-up"
echo "wizard: $last"
echo "fix:    $cli_done"
printf '%-52s %8s %8s\n' "what" "wall_s" "cpu_s"
printf '%-52s %8s %8s\n' "quillorn-cli fix --offline (whole process)" "$cli" "$cli_cpu"
printf '%-52s %8s %8s\n' "wizard page 2: add the folder" "$add" "-"
printf '%-52s %8s %8s\n' "wizard pages 4 to 7: search, review, rewrite" "$step" "-"
printf '%-52s %8s %8s\n' "  of which page 7: the rewriting" "$rewrite" "-"
printf '%-52s %8s %8s\n' "wizard add + pages 4 to 7" "$both" "-"
printf '%-52s %8s %8s\n' "wizard whole process (start to page 7)" "$whole" "$whole_cpu"
awk -v w="$both" -v c="$cli" -v wc="$whole_cpu" -v cc="$cli_cpu" 'BEGIN {
  printf "the window adds %+.1f%% to the command line'"'"'s wall time (add + pages 4 to 7 against the whole fix),\n", (w / c - 1) * 100
  printf "and %+.1f%% to its CPU time (whole process against whole process, Qt'"'"'s start included)\n", (wc / cc - 1) * 100
}'
