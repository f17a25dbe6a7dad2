#!/usr/bin/env bash
# Takes a screenshot of each page of the wizard, of its About box and of
# Ravelet's window, under a virtual X server, into docs/screenshots/. A copy
# of the sample site (examples/site) is what page 2 adds, page 4 searches
# offline, page 7 repairs and Ravelet's folder box names. Then the HTML
# report of `quillorn-cli scan` on a fresh copy, as headless Chromium shows it.
#
#   bash tools/screenshots.sh [BUILD_DIR]     BUILD_DIR defaults to build/dev
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$repo/build/dev}"

bash "$repo/tools/setup.sh" screenshots
if [[ ! -d "$build" ]]; then cmake --preset dev; fi
cmake --build "$build" --target quillorn-screenshots quillorn-cli

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

# The report of an untouched copy (page 7 repaired the first one).
rm -rf "$work/site"
cp -r "$repo/examples/site" "$work/site"
status=0
"$build/cli/quillorn-cli" scan --offline --check-anchors --format html --output "$work/report.html" "$work/site" \
  >/dev/null || status=$?
if ((status != 0 && status != 1)); then exit "$status"; fi
chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars --force-device-scale-factor=1 \
  --window-size=1000,1300 --screenshot="$work/shots/report-html.png" "file://$work/report.html" 2>/dev/null

mkdir -p "$repo/docs/screenshots"
cp "$work"/shots/*.png "$repo/docs/screenshots/"
echo "screenshots: written to docs/screenshots/"
