#!/usr/bin/env bash
# What a repair that is killed, or run twice at once, does to a site.
#
# Kills: `quillorn-cli fix --offline` on a fresh copy of a generated site is
# killed (SIGKILL) after a random delay, KILL_RUNS times. After each kill every
# file must hold its old or its new content (as an uninterrupted fix writes
# it), a new one only beside a NAME.bak that holds the old; then
# `quillorn-cli restore` must give the site back byte for byte, with nothing
# left behind.
#
# Pairs: two `fix` runs are started at once on a fresh copy, PAIR_RUNS times.
# The site must end exactly as one uninterrupted run leaves it (pages and
# backups): nothing is changed twice.
#
#   bash bench/kill_bench.sh [BUILD_DIR]      BUILD_DIR defaults to build/release
#
# Environment: KILL_PAGES  pages of the generated site (default 300)
#              KILL_RUNS   kills (default 200)
#              PAIR_RUNS   pairs of runs (default 20)
#              KILL_SEED   seed of the random delays (default 1)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=bench/bench_lib.sh
source "$repo/bench/bench_lib.sh"

build="${1:-$repo/build/release}"
pages="${KILL_PAGES:-300}"
kills="${KILL_RUNS:-200}"
pairs="${PAIR_RUNS:-20}"
RANDOM="${KILL_SEED:-1}"

bench_find_programs "$build"
command -v python3 >/dev/null || { echo "bench: python3 is needed for the checks" >&2; exit 2; }
work="$(mktemp -d "${TMPDIR:-/tmp}/quillorn-killbench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
site="$work/site"  # every run works here, so that written paths are the same

echo "bench: generating $pages pages" >&2
"$GENSITE" --pages "$pages" --out "$work/master" >/dev/null

# The reference: what one uninterrupted run makes of the site.
cp -a "$work/master" "$site"
start=$(date +%s%N)
"$CLI" fix --offline "$site" >/dev/null
end=$(date +%s%N)
fix_ms=$(((end - start) / 1000000))
mv "$site" "$work/reference"

# Checks the site after a kill; prints "new leftovers" or the first fault.
check_killed() {
  python3 - "$work/master" "$work/reference" "$site" <<'EOF'
import os, sys
master, reference, site = sys.argv[1:4]
def tree(root):
    files = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, 'rb') as f:
                files[os.path.relpath(path, root)] = f.read()
    return files
old, new, now = tree(master), tree(reference), tree(site)
fresh = leftovers = 0
for name, data in old.items():
    if name not in now:
        sys.exit(f"FAULT {name} is missing")
    if now[name] == data:
        continue
    if now[name] != new.get(name):
        sys.exit(f"FAULT {name} is neither old nor new")
    if now.get(name + '.bak') != data:
        sys.exit(f"FAULT {name} is new without a backup of the old")
    fresh += 1
for name in now:
    if name in old or (name.endswith('.bak') and name[:-4] in old):
        continue
    if os.path.basename(name).endswith('.quillorn-new'):
        leftovers += 1
        continue
    sys.exit(f"FAULT {name} should not be there")
print(fresh, leftovers)
EOF
}

faults=0 during=0 new_files=0 leftover_files=0 exact=0
for ((k = 1; k <= kills; k++)); do
  rm -rf "$site"
  cp -a "$work/master" "$site"
  delay_ms=$((RANDOM * 32768 + RANDOM))
  delay_ms=$((delay_ms % (fix_ms + fix_ms / 10 + 1)))
  "$CLI" fix --offline "$site" >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk -v ms="$delay_ms" 'BEGIN {printf "%.3f", ms / 1000}')"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  result=$(check_killed) || true
  if [[ "$result" == FAULT* ]]; then
    echo "bench: kill $k after $delay_ms ms: $result" >&2
    faults=$((faults + 1))
    continue
  fi
  read -r fresh leftovers <<<"$result"
  new_files=$((new_files + fresh))
  leftover_files=$((leftover_files + leftovers))
  ((fresh > 0 || leftovers > 0)) && during=$((during + 1))
  "$CLI" restore "$site" >/dev/null
  if diff -r "$work/master" "$site" >/dev/null; then
    exact=$((exact + 1))
  else
    echo "bench: kill $k after $delay_ms ms: restore did not give the site back" >&2
  fi
done

refused=0 after=0 same=0
for ((p = 1; p <= pairs; p++)); do
  rm -rf "$site"
  cp -a "$work/master" "$site"
  "$CLI" fix --offline "$site" >/dev/null 2>&1 &
  first=$!
  "$CLI" fix --offline "$site" >/dev/null 2>&1 &
  second=$!
  rc1=0 rc2=0
  wait "$first" || rc1=$?
  wait "$second" || rc2=$?
  if [[ $rc1 -eq 3 || $rc2 -eq 3 ]]; then refused=$((refused + 1)); else after=$((after + 1)); fi
  if diff -r "$work/reference" "$site" >/dev/null; then
    same=$((same + 1))
  else
    echo "bench: pair $p (exit $rc1 and $rc2): the site differs from one run's" >&2
  fi
done

rewritten=$(find "$work/reference" -name '*.bak' | wc -l)
echo
echo "quillorn-cli fix --offline killed at random on $pages pages ($rewritten files rewritten by a whole run of $fix_ms ms)"
printf '%-50s %s\n' "kills (SIGKILL after 0-$((fix_ms + fix_ms / 10)) ms)" "$kills" \
  "kills that left the site part-way" "$during" \
  "files found new at a kill (each with backup)" "$new_files" \
  "temporary files found after a kill" "$leftover_files" \
  "files neither old nor new, or new without backup" "$faults" \
  "restores that gave the site back byte for byte" "$exact of $kills"
echo
echo "two fix runs started at once on the same site, $pairs times"
printf '%-50s %s\n' "pairs where one run was refused (exit 3)" "$refused" \
  "pairs where the second ran after the first" "$after" \
  "sites exactly as one run leaves them" "$same of $pairs"
[[ $faults -eq 0 && $exact -eq $kills && $same -eq $pairs ]]
