#!/usr/bin/env bash
# A crowd of slow, reconnecting clients from one address (127.0.0.1) against
# the other clients (127.0.0.2) of one ostrel-host: the share of their
# requests answered within 1 s, without the crowd and with it (see
# bench/slow_clients.py).
#
#   usage: bench/slow_clients.sh [BUILD_DIR] [--crowd N] [--seconds S]
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$ROOT/build"
EXTRA=()
while [ "$#" -gt 0 ]; do
  case "$1" in
    --crowd | --seconds) EXTRA+=("$1" "$2"); shift 2 ;;
    *) BUILD="$1"; shift ;;
  esac
done
HOST="$BUILD/src/host/ostrel-host"

NAME=slow_clients
source "$ROOT/bench/bench_host.sh"
bench_require python3
bench_work
# The crowd's connections, the clients' and the host's.
ulimit -n 8192 2>/dev/null || ulimit -n "$(ulimit -Hn)"
bench_start_host
python3 "$ROOT/bench/slow_clients.py" "$PORT" "${EXTRA[@]}"
