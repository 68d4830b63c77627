#!/usr/bin/env bash
# The main job on the embedded default: a headless desktop with the sample application, the
# helpers run against it, and dictation of a spoken sample.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" >/dev/null
exec scripts/with-desktop.sh bash scripts/demo-desktop.sh build
