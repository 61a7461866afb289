#!/usr/bin/env bash
# A crowd of slow, reconnecting clients against the other clients of one
# ostrel-host (--demo): the share of their requests answered within 1 s (or
# --within S), without the crowd and with it (see bench/slow_clients.py).
# By default the crowd comes from one address (127.0.0.1) and the clients
# from another (127.0.0.2).
#
#   usage: bench/slow_clients.sh [BUILD_DIR] [--crowd N] [--crowd-addresses K]
#              [--seconds S] [--within S] [--stalled N] [--same-address]
#              [--no-read | --read-every S | --announce]
#
#   --crowd-addresses K  the crowd spread over K loopback addresses
#   --stalled N          the clients' address first holds N run steps of the
#                        demo item whose remote never answers
#   --same-address       the crowd comes from the clients' own address
#   --no-read            the crowd pipelines requests and never reads
#   --read-every S       the same, reading 4 KB every S seconds
#   --announce           the crowd announces 2 MB bodies and trickles them
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$ROOT/build"
EXTRA=()
STALLED=0
while [ "$#" -gt 0 ]; do
  case "$1" in
    --crowd | --seconds | --crowd-addresses | --within | --read-every) EXTRA+=("$1" "$2"); shift 2 ;;
    --no-read | --announce) EXTRA+=("$1"); shift ;;
    --stalled) STALLED="$2"; shift 2 ;;
    --same-address) EXTRA+=(--crowd-address 127.0.0.2); shift ;;
    *) BUILD="$1"; shift ;;
  esac
done
HOST="$BUILD/src/host/ostrel-host"

NAME=slow_clients
source "$ROOT/bench/bench_host.sh"
bench_require python3
bench_work
# The crowd's connections, the clients' and the host's.
ulimit -n "$(ulimit -Hn)"
HOST_ARGS=(--demo)
bench_start_host "[Demo]" "Listen=127.0.0.1:0"
# The stalled steps' remote: a socket that takes connections and never answers.
STALL_PORT="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
python3 -c "
import socket, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(('127.0.0.1', $STALL_PORT)); s.listen(1024); time.sleep(3600)" &
BENCH_PIDS+=($!)
ITEM=1
printf 'http://127.0.0.1:%s/a.html\r\nhttp://127.0.0.1:%s/b.html' "$STALL_PORT" "$STALL_PORT" \
  > "$WORK/site/admin/tmpNewslist$ITEM.dat"
python3 "$ROOT/bench/slow_clients.py" "$PORT" --password "$PASSWORD" --stalled "$STALLED" \
  --stall-item "$ITEM" "${EXTRA[@]}"
