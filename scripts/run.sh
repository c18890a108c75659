#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTASTARION_BENCH=OFF > /dev/null
cmake --build build -j"$(nproc)" --target tastarion
exec ./build/tastarion "$@"
