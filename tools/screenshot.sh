#!/usr/bin/env bash
# Takes the README's screenshot of the window on a virtual X display:
#   tools/screenshot.sh [BUILD_DIR] [OUT.png] [PAGE] [TENTHS]
# (defaults: build, docs/window.png, page 7, 12.5 s into the demo song). Needs xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/window.png}
page=${3:-7}
tenths=${4:-125}
cmake --build "$build" --target lumek_screenshot >/dev/null
mkdir -p "$(dirname "$out")"
SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1400x900x24" \
    "$build/tools/lumek_screenshot" "$out" examples "$page" "$tenths"
echo "$out"
