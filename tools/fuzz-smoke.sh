#!/usr/bin/env bash
# CI's short run of every libFuzzer target: a few seconds each (FUZZ_SECONDS,
# default 20) from the committed seeds alone, so every run starts alike. A
# crash or sanitizer report fails the run. tools/fuzz-long.sh runs them for
# longer and keeps what they find.
set -euo pipefail
cd "$(dirname "$0")/.."

corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
FUZZ_CORPUS="$corpus" bash tools/fuzz-long.sh --per-target "${FUZZ_SECONDS:-20}" "$@"
