#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a few seconds
# (FUZZ_SECONDS, default 20), starting from its seeds in tests/fuzz/corpus/<target>
# where it has some. A crash or sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-20}"
cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)" --target markup_lexing_fuzz decode_url_fuzz page_picture_fuzz \
  decisions_file_fuzz
for target in markup_lexing_fuzz decode_url_fuzz page_picture_fuzz decisions_file_fuzz; do
  corpus="$(mktemp -d)"
  seeds=()
  if [[ -d "tests/fuzz/corpus/$target" ]]; then seeds=("tests/fuzz/corpus/$target"); fi
  echo "fuzz: $target for ${seconds}s"
  "build/fuzz/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="build/fuzz/" "$corpus" "${seeds[@]}" 2>&1 | tail -n 3
  rm -rf "$corpus"
done
