#!/usr/bin/env bash
# Takes a screenshot of each page of the wizard, of its About box and of
# Ravelet's window, under a virtual X server, into docs/screenshots/. A copy
# of the sample site (examples/site) is what page 2 adds, page 4 searches
# offline, page 7 repairs and Ravelet's folder box names.
#
#   bash tools/screenshots.sh [BUILD_DIR]     BUILD_DIR defaults to build/dev
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$repo/build/dev}"

bash "$repo/tools/setup.sh"
if [[ ! -d "$build" ]]; then cmake --preset dev; fi
cmake --build "$build" --target quillorn-screenshots

# The pictures show the site's paths: a short, neutral place reads best, and
# the same one every time, so that pictures taken again differ only where the
# windows do.
work="${TMPDIR:-/tmp}/quillorn-screenshots"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
cp -r "$repo/examples/site" "$work/site"
mkdir -p "$work/shots"

# No window manager runs on the virtual server, so the pictures show the
# windows' contents without title bars.
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
  "$build/tools/screenshots/quillorn-screenshots" "$work/shots" "$work/site"

mkdir -p "$repo/docs/screenshots"
cp "$work"/shots/*.png "$repo/docs/screenshots/"
echo "screenshots: written to docs/screenshots/"
