#!/usr/bin/env bash
# Times the download engine on loopback against a test world of its own:
# 512 MiB without a limit and with 2 MiB/s per connection.
#   bench/engine_download.sh [MiB]        (build first: cmake --build build)
set -euo pipefail
cd "$(dirname "$0")/.."
mib=${1:-512}
work=${TMPDIR:-/tmp}/qel-engine-bench
state=$work/world/state.json
python3 testing/world/world.py start --state "$state" --lifetime 1800 >/dev/null
trap 'python3 testing/world/world.py stop --state "$state"' EXIT
build/bin/engine_download_bench --state "$state" --mib "$mib" --out "$work/out"
build/bin/engine_download_bench --state "$state" --mib "$mib" --out "$work/out" \
  --rate $((2 * 1024 * 1024))
