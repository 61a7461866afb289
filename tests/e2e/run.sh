#!/usr/bin/env bash
# Browser tests of the admin pages: starts two ostrel-hosts on free loopback
# ports, each with a fresh data folder (which holds the site tree the host
# writes) and a known password, runs the tests (node's own test runner, headless Chromium through
# playwright-core), and stops the hosts.
#   the main host: the admin pages and the test pages (--test-pages);
#   the demo host: the same with --demo, the sample remote site and its
#     gathering item, for the tests that run a whole gathering (host_demo*),
#     so their item and articles never meet the other tests' databases.
# Each test case prints its line as it ends. CTest runs each test file as a
# test of its own (e2e.NAME), with hosts of its own, so ./test shows a line
# per file as it passes.
#   usage: tests/e2e/run.sh BUILD_DIR [TEST_FILE...]   (default: every *.test.mjs)
set -euo pipefail

HERE="$(cd "$(dirname "$0")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
BUILD="$(cd "${1:?usage: run.sh BUILD_DIR [TEST_FILE...]}" && pwd)"
shift
# The test files, as named from where the script was started.
FILES=()
for file in "$@"; do FILES+=("$(realpath "$file")"); done
HOST="$BUILD/src/host/ostrel-host"

if [ ! -x "$HOST" ]; then
  echo "run.sh: $HOST is not built" >&2
  exit 1
fi
if [ ! -x /usr/bin/chromium ]; then
  echo "run.sh: /usr/bin/chromium is missing (Debian package chromium)" >&2
  exit 1
fi
if ! command -v sqlite3 >/dev/null 2>&1; then
  echo "run.sh: sqlite3 is missing (Debian package sqlite3)" >&2
  exit 1
fi
# Only the driver: the browser is Debian's, never one downloaded. Under a
# lock: CTest starts several of these at once.
(
  flock 9
  if [ ! -d "$HERE/node_modules/playwright-core" ]; then
    cd "$HERE" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
  fi
) 9>"$BUILD/e2e-npm.lock"

# What the source tree holds before the hosts run (ignored files included:
# a run must not leave gathered files or link lists in site/ either).
tree_state() { git -C "$ROOT" status --porcelain --ignored 2>/dev/null || true; }
TREE_BEFORE="$(tree_state)"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/ostrel-e2e.XXXXXX")"
HOST_PIDS=()
cleanup() {
  for pid in "${HOST_PIDS[@]}"; do
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid"
      wait "$pid" 2>/dev/null || true
    fi
  done
  rm -rf "$WORK"
}
trap cleanup EXIT

PASSWORD="e2e-Pass-$RANDOM$RANDOM"

# start_host NAME [OPTION...]: a host in $WORK/NAME; sets PORT and, with
# --demo, DEMO_PORT.
start_host() {
  local name="$1"
  shift
  local dir="$WORK/$name"
  mkdir -p "$dir/data"
  # The defaults otherwise: the site tree in the data folder, the shipped
  # assets served beneath it. The fixture sites live on loopback.
  cat > "$dir/data/ostrel.ini" <<INI
[Host]
AdminName=admin
AdminPassword=$PASSWORD
; The tests' remote pages are served by the hosts themselves, on loopback.
AllowPrivateRemote=1
[Demo]
Listen=127.0.0.1:0
INI
  # Started from the source tree: whatever it writes must go to its data
  # folder (the class list included), never beside the sources.
  (cd "$ROOT" && exec env -u OSTREL_REGISTRY "$HOST" --data "$dir/data" --listen 127.0.0.1:0 "$@" \
    >"$dir/host.log" 2>&1 </dev/null) &
  local pid=$!
  HOST_PIDS+=("$pid")
  PORT=""
  for _ in $(seq 1 300); do
    # The log may not be there yet: the host's shell has not opened it.
    PORT="$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$dir/host.log" 2>/dev/null || true)"
    [ -n "$PORT" ] && break
    if ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  if [ -z "$PORT" ]; then
    echo "run.sh: ostrel-host ($name) did not start:" >&2
    cat "$dir/host.log" >&2
    exit 1
  fi
  DEMO_PORT="$(sed -n 's|.*demo site on http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$dir/host.log")"
}

start_host main --test-pages
export OSTREL_URL="http://127.0.0.1:$PORT"
export OSTREL_SITE="$WORK/main/data/site"
export OSTREL_DATA="$WORK/main/data"

start_host demo --demo --test-pages
if [ -z "$DEMO_PORT" ]; then
  echo "run.sh: the demo host did not name its demo site:" >&2
  cat "$WORK/demo/host.log" >&2
  exit 1
fi
export OSTREL_DEMO_URL="http://127.0.0.1:$PORT"
export OSTREL_DEMO_REMOTE="http://127.0.0.1:$DEMO_PORT"
export OSTREL_DEMO_SITE="$WORK/demo/data/site"
export OSTREL_DEMO_DATA="$WORK/demo/data"
export OSTREL_DEMO_FILES="$ROOT/demo"
export OSTREL_ADMIN_PASSWORD="$PASSWORD"

cd "$HERE"
status=0
# One file at a time: the files share the hosts and their databases.
if [ "${#FILES[@]}" -eq 0 ]; then FILES=(./*.test.mjs); fi
for file in "${FILES[@]}"; do
  node --test --test-reporter=./case_lines.mjs "$file" </dev/null || status=1
done
if [ "$(tree_state)" != "$TREE_BEFORE" ]; then
  echo "run.sh: the hosts changed the source tree:" >&2
  diff <(echo "$TREE_BEFORE") <(tree_state) >&2 || true
  status=1
fi
if [ "$status" -ne 0 ]; then
  for name in main demo; do
    echo "--- ostrel-host ($name) log ---" >&2
    cat "$WORK/$name/host.log" >&2
  done
fi
exit "$status"
