#!/usr/bin/env bash
# Times two other link checkers on the same generated site as quillorn-cli, in
# the same run: linkinator (npm) and LinkChecker (Debian). All three stay on
# the local files: no external address is fetched.
#
#   bash bench/peers.sh [BUILD_DIR]          BUILD_DIR defaults to build/release
#
# Environment: PEER_PAGES    site sizes in pages (default "1000")
#              PEER_TIMEOUT  seconds allowed for one run of one tool (default 900)
#              QUILLORN_REPS timed quillorn-cli runs after a warm-up (default 3);
#                            the peers run once each, being much slower
#
# This script is the only place that installs the peers: linkinator@7 into a
# temporary folder (removed at the end) and, when missing, the Debian package
# linkchecker with apt-get (left installed).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=bench/bench_lib.sh
source "$repo/bench/bench_lib.sh"

build="${1:-$repo/build/release}"
sizes="${PEER_PAGES:-1000}"
limit="${PEER_TIMEOUT:-900}"
reps="${QUILLORN_REPS:-3}"

bench_find_programs "$build"
bench_need_time
work="$(mktemp -d "${TMPDIR:-/tmp}/quillorn-peers.XXXXXX")"
trap 'rm -rf "$work"' EXIT
# LinkChecker started as root drops to user nobody, who must still read the site.
chmod 755 "$work"

# --- the peers ---
linkinator=""
if command -v npm >/dev/null && [[ $(node -p 'process.versions.node.split(".")[0]' 2>/dev/null || echo 0) -ge 20 ]]; then
  echo "peers: installing linkinator@7 into $work/npm" >&2
  if timeout 600 npm install --prefix "$work/npm" --no-audit --no-fund --loglevel=error linkinator@7 >/dev/null 2>&1; then
    linkinator="$work/npm/node_modules/.bin/linkinator"
  else
    echo "peers: npm install linkinator@7 failed; leaving it out" >&2
  fi
else
  echo "peers: linkinator@7 needs Node 20 or later with npm; leaving it out" >&2
fi

if ! command -v linkchecker >/dev/null && [[ $(id -u) -eq 0 ]] && command -v apt-get >/dev/null; then
  echo "peers: installing the Debian package linkchecker" >&2
  timeout 900 apt-get install -y -qq linkchecker >/dev/null 2>&1 ||
    { timeout 600 apt-get update -qq >/dev/null 2>&1 && timeout 900 apt-get install -y -qq linkchecker >/dev/null 2>&1; } || true
fi
linkchecker="$(command -v linkchecker || true)"
[[ -n "$linkchecker" ]] || echo "peers: LinkChecker is not installed; leaving it out" >&2

# --- the runs ---
rows=()
# Appends a table row: tool, pages, and what bench_run left in RUN_*; $3 is the note.
add_row() {
  local seconds="$RUN_WALL" rate rss note="$3"
  rate=$(bench_rate "$SITE_SCANNED" "$seconds")
  rss=$(awk -v k="$RUN_RSS_KB" 'BEGIN {printf "%.1f", k / 1024}')
  if [[ $RUN_RC -eq 124 || $RUN_RC -eq 137 ]]; then
    rate="-"
    note="timed out after ${limit}s"
  fi
  rows+=("$(printf '%-13s %6s %9s %8s %9s %9s  %s' "$1" "$2" "$seconds" "$RUN_CPU" "$rate" "$rss" "$note")")
}

for pages in $sizes; do
  site="$work/site-$pages"
  echo "peers: generating $pages pages" >&2
  "$GENSITE" --pages "$pages" --out "$site" >/dev/null
  chmod -R a+rX "$site"
  bench_site_stats "$site"

  # quillorn-cli: a warm-up, then the median of a few runs.
  BENCH_STDOUT="$work/report.json" bench_run "$limit" "$CLI" scan --offline --json "$site"
  findings=$(sed -n 's/.*"summary": *"Done (\([0-9]*\).*/\1/p' "$work/report.json" | head -n 1)
  walls=() cpus=() rss=()
  for ((r = 1; r <= reps; r++)); do
    bench_run "$limit" "$CLI" scan --offline --json "$site"
    walls+=("$RUN_WALL") cpus+=("$RUN_CPU") rss+=("$RUN_RSS_KB")
  done
  RUN_WALL=$(bench_median "${walls[@]}") RUN_CPU=$(bench_median "${cpus[@]}") RUN_RSS_KB=$(bench_max "${rss[@]}")
  add_row quillorn-cli "$pages" "${findings:-?} findings (median of $reps)"

  if [[ -n "$linkinator" ]]; then
    # Local folder: linkinator serves it on localhost and crawls from its
    # index.html. Every other http(s)/ftp address and mailto: is skipped.
    echo "peers: linkinator on $pages pages (up to ${limit}s)" >&2
    BENCH_STDOUT="$work/linkinator.csv" bench_run "$limit" "$linkinator" "$site" --recurse --check-css \
      --skip '^(https?|ftp)://(?!localhost[:/])' --skip '^mailto:' --format csv
    checked=$(($(wc -l <"$work/linkinator.csv") - 1))
    broken=$(grep -c ',BROKEN,' "$work/linkinator.csv" || true)
    add_row linkinator "$pages" "$((checked < 0 ? 0 : checked)) links checked, $broken broken (--recurse --check-css)"
  fi

  if [[ -n "$linkchecker" ]]; then
    # Intern URLs only (its default without --check-extern); external and
    # mailto: addresses are matched by --ignore-url, so only their syntax is read.
    echo "peers: LinkChecker on $pages pages (up to ${limit}s)" >&2
    BENCH_STDOUT="$work/linkchecker.txt" HOME="$work" bench_run "$limit" "$linkchecker" --no-status --no-warnings \
      --ignore-url '^mailto:' --ignore-url '^(https?|ftp)://' "file://$site/index.html"
    summary=$(sed -n "s/^That's it\. \([0-9]*\) links in \([0-9]*\) URLs checked\..* \([0-9]*\) errors\{0,1\} found.*/\2 URLs checked, \3 errors/p" \
      "$work/linkchecker.txt" | head -n 1)
    add_row LinkChecker "$pages" "${summary:-see its output}"
  fi
  rm -rf "$site"
done

echo
echo "Offline check of one generated site per size; files/s = the site's HTML/CSS/JS files / wall seconds; $(nproc) CPUs"
printf '%-13s %6s %9s %8s %9s %9s  %s\n' tool pages wall_s cpu_s files/s peak_MB note
for row in "${rows[@]}"; do echo "$row"; done
