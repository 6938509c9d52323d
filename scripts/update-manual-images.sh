#!/usr/bin/env bash
# Copies the screenshots the window tests take (build/screenshots) that the manual shows into
# docs/images. Run after the tests whenever a window changes:
#   ctest --test-dir build -L gui && scripts/update-manual-images.sh
set -euo pipefail
cd "$(dirname "$0")/.."
shots=build/screenshots
status=0
for image in $(grep -o 'images/[a-z0-9-]*\.png' docs/manual.md | sort -u); do
    name=$(basename "$image")
    if [ -f "$shots/$name" ]; then
        cp "$shots/$name" "docs/$image"
    else
        echo "no screenshot $name in $shots: run the window tests first" >&2
        status=1
    fi
done
exit $status
