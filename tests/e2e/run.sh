#!/usr/bin/env bash
# Browser tests of the admin pages: starts ostrel-host on a free loopback
# port with a fresh data folder, a copy of the site and a known password,
# runs the tests (node's own test runner, headless Chromium through
# playwright-core), and stops the host.
#   usage: tests/e2e/run.sh BUILD_DIR
set -euo pipefail

HERE="$(cd "$(dirname "$0")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
BUILD="$(cd "${1:?usage: run.sh BUILD_DIR}" && pwd)"
HOST="$BUILD/src/host/ostrel-host"

if [ ! -x "$HOST" ]; then
  echo "run.sh: $HOST is not built" >&2
  exit 1
fi
if [ ! -x /usr/bin/chromium ]; then
  echo "run.sh: /usr/bin/chromium is missing (Debian package chromium)" >&2
  exit 1
fi
if [ ! -d "$HERE/node_modules/playwright-core" ]; then
  # Only the driver: the browser is Debian's, never one downloaded.
  (cd "$HERE" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi

WORK="$(mktemp -d "${TMPDIR:-/tmp}/ostrel-e2e.XXXXXX")"
HOST_PID=""
cleanup() {
  if [ -n "$HOST_PID" ] && kill -0 "$HOST_PID" 2>/dev/null; then
    kill "$HOST_PID"
    wait "$HOST_PID" 2>/dev/null || true
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

PASSWORD="e2e-Pass-$RANDOM$RANDOM"
cp -r "$ROOT/site" "$WORK/site"
mkdir -p "$WORK/data"
cat > "$WORK/data/ostrel.ini" <<INI
[Host]
SiteRoot=$WORK/site
AdminName=admin
AdminPassword=$PASSWORD
INI

# Its own registry file, so parallel test runs never share one.
OSTREL_REGISTRY="$WORK/registry.ini" "$HOST" --data "$WORK/data" --listen 127.0.0.1:0 \
  >"$WORK/host.log" 2>&1 &
HOST_PID=$!

PORT=""
for _ in $(seq 1 300); do
  PORT="$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$WORK/host.log")"
  [ -n "$PORT" ] && break
  if ! kill -0 "$HOST_PID" 2>/dev/null; then break; fi
  sleep 0.1
done
if [ -z "$PORT" ]; then
  echo "run.sh: ostrel-host did not start:" >&2
  cat "$WORK/host.log" >&2
  exit 1
fi

export OSTREL_URL="http://127.0.0.1:$PORT"
export OSTREL_ADMIN_PASSWORD="$PASSWORD"
export OSTREL_SITE="$WORK/site"
export OSTREL_DATA="$WORK/data"
cd "$HERE"
status=0
# One file at a time: the files share the host and its databases.
for file in ./*.test.mjs; do
  node --test "$file" || status=1
done
if [ "$status" -ne 0 ]; then
  echo "--- ostrel-host log ---" >&2
  cat "$WORK/host.log" >&2
fi
exit "$status"
