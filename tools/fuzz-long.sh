#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each in turn, starting from
# its committed seeds (tests/fuzz/corpus/TARGET) and what earlier runs kept,
# then prints what each run did: executions, executions per second, coverage
# (edges and features), corpus size and crashes.
#
#   bash tools/fuzz-long.sh [DURATION] [TARGET...]
#   bash tools/fuzz-long.sh --per-target SECONDS [TARGET...]
#
# DURATION is the whole run, shared evenly by the targets: 900 (seconds), 20m
# or 2h; default 20m. TARGET names run only those targets (default: all).
#
# Environment: FUZZ_CORPUS  where the grown corpora are kept, one folder per
#                           target (default build/fuzz/corpus)
#
# A crash, a sanitizer report, a failed check or an input slower than 10 s
# ends that target's run and keeps the input in build/fuzz/artifacts/; the
# script then fails at the end. Reproduce one with
#   build/fuzz/tests/fuzz/TARGET build/fuzz/artifacts/TARGET-crash-...
set -euo pipefail
cd "$(dirname "$0")/.."

# Every target, with the longest input it is given: the lexing and scanning
# targets call whole-text routines many times per input, and what they test
# shows in short texts; files and registries get room for more lines.
declare -A max_len=(
  [markup_lexing_fuzz]=1024
  [decode_url_fuzz]=1024
  [scan_fuzz]=1024
  [tag_rewriter_fuzz]=1024
  [document_fuzz]=4096
  [registry_fuzz]=4096
  [page_picture_fuzz]=8192
  [decisions_file_fuzz]=8192
)
all_targets=(markup_lexing_fuzz decode_url_fuzz scan_fuzz tag_rewriter_fuzz document_fuzz registry_fuzz page_picture_fuzz decisions_file_fuzz)

seconds_for() {  # a duration as seconds: 600, 600s, 20m, 2h
  local text="$1"
  case "$text" in
    *h) echo $((${text%h} * 3600)) ;;
    *m) echo $((${text%m} * 60)) ;;
    *s) echo "${text%s}" ;;
    *) echo "$text" ;;
  esac
}

per_target=""
total=$((20 * 60))
if [[ "${1:-}" == "--per-target" ]]; then
  per_target="$(seconds_for "${2:?--per-target needs a number of seconds}")"
  shift 2
elif [[ $# -gt 0 && "$1" =~ ^[0-9]+[smh]?$ ]]; then
  total="$(seconds_for "$1")"
  shift
fi
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then targets=("${all_targets[@]}"); fi
for target in "${targets[@]}"; do
  if [[ -z "${max_len[$target]:-}" ]]; then
    echo "fuzz: unknown target $target (targets: ${all_targets[*]})" >&2
    exit 2
  fi
done
if [[ -z "$per_target" ]]; then per_target=$((total / ${#targets[@]})); fi
if [[ "$per_target" -lt 1 ]]; then per_target=1; fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]}"

corpus_root="${FUZZ_CORPUS:-build/fuzz/corpus}"
artifacts="build/fuzz/artifacts"
mkdir -p "$artifacts"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT

failed=0
rows=()
for target in "${targets[@]}"; do
  corpus="$corpus_root/$target"
  mkdir -p "$corpus"
  echo "fuzz: $target for ${per_target}s" >&2
  status=0
  "build/fuzz/tests/fuzz/$target" "$corpus" "tests/fuzz/corpus/$target" \
    -max_total_time="$per_target" -max_len="${max_len[$target]}" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$target-" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*' "$log" | tail -n 1 | awk '{print $2, $4, $6}')
  read -r edges features units <<<"${coverage:-- - -}"
  crashes=0
  if [[ $status -ne 0 ]]; then
    crashes=1
    failed=1
    grep -E 'ERROR|SUMMARY|check failed|Test unit written' "$log" | head -n 8 >&2 || true
  fi
  rows+=("$(printf '%-20s %8s %11s %9s %7s %9s %7s %8s' "$target" "$per_target" "${runs:--}" "${rate:--}" \
    "$edges" "$features" "$units" "$crashes")")
done

printf '\n%-20s %8s %11s %9s %7s %9s %7s %8s\n' target seconds executions exec/s edges features corpus crashes
for row in "${rows[@]}"; do echo "$row"; done
if [[ $failed -ne 0 ]]; then
  echo "fuzz: inputs that failed are in $artifacts/" >&2
  exit 1
fi
