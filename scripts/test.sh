#!/usr/bin/env bash
# The whole test suite on a fresh machine: install, build, run every test inside a headless desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
scripts/with-desktop.sh ctest --test-dir build --output-on-failure -j2 --timeout 600
