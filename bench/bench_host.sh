# Sourced by the whole-run benchmarks (soft_run.sh, flash_run.sh):
# the tools they need, a work folder removed at the end with every process
# they started, and an ostrel-host on a free loopback port with a fresh data
# folder and a copy of the site.
#
#   NAME=...; ROOT=...; source bench/bench_host.sh
#   bench_run_args "$@"        BUILD, ENTRIES, ROUNDS and HOST from the command line
#   bench_require TOOL...      skips the benchmark (exit 0) when one is missing
#   bench_work                 WORK: the folder; BENCH_PIDS: killed at the end
#   bench_start_host [LINE...] the host with extra [Host] lines (a line may
#                              open another section), and the arguments in
#                              HOST_ARGS; sets PASSWORD, HOST_PID and PORT

# bench_run_args ARG...: the whole-run benchmarks' [BUILD_DIR] [--entries N]
# [--rounds N]; sets BUILD (default ROOT/build), ENTRIES (default 200),
# ROUNDS (default 10) and HOST.
bench_run_args() {
  BUILD="$ROOT/build"
  ENTRIES=200
  ROUNDS=10
  while [ "$#" -gt 0 ]; do
    case "$1" in
      --entries) ENTRIES="$2"; shift 2 ;;
      --rounds) ROUNDS="$2"; shift 2 ;;
      *) BUILD="$1"; shift ;;
    esac
  done
  HOST="$BUILD/src/host/ostrel-host"
}

bench_require() {
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "$NAME: skipped: $tool is missing (Debian package $tool)"
      exit 0
    fi
  done
  if [ ! -x "$HOST" ]; then
    echo "$NAME: $HOST is not built" >&2
    exit 1
  fi
}

bench_work() {
  WORK="$(mktemp -d "${TMPDIR:-/tmp}/ostrel-$NAME.XXXXXX")"
  BENCH_PIDS=()
  trap bench_cleanup EXIT
}

bench_cleanup() {
  for pid in "${BENCH_PIDS[@]}"; do
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid"
      wait "$pid" 2>/dev/null || true
    fi
  done
  rm -rf "$WORK"
}

bench_start_host() {
  [ -n "${HOST_ARGS+set}" ] || HOST_ARGS=()
  PASSWORD="bench-$RANDOM$RANDOM"
  cp -r "$ROOT/site" "$WORK/site"
  mkdir -p "$WORK/data"
  {
    echo "[Host]"
    echo "SiteRoot=$WORK/site"
    echo "AdminPassword=$PASSWORD"
    for line in "$@"; do echo "$line"; done
  } > "$WORK/data/ostrel.ini"
  OSTREL_REGISTRY="$WORK/registry.ini" "$HOST" --data "$WORK/data" --listen 127.0.0.1:0 \
    "${HOST_ARGS[@]}" >"$WORK/host.log" 2>&1 &
  HOST_PID=$!
  BENCH_PIDS+=("$HOST_PID")
  PORT=""
  for _ in $(seq 1 300); do
    PORT="$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$WORK/host.log")"
    [ -n "$PORT" ] && break
    kill -0 "$HOST_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$PORT" ]; then
    echo "$NAME: ostrel-host did not start:" >&2
    cat "$WORK/host.log" >&2
    exit 1
  fi
}

# bench_remote_site DIR: DIR served by python3 on a free loopback port, as
# the remote site of a run; sets REMOTE (http://127.0.0.1:PORT).
bench_remote_site() {
  python3 -m http.server --bind 127.0.0.1 0 --directory "$1" >"$WORK/remote.log" 2>&1 &
  BENCH_PIDS+=($!)
  local port=""
  for _ in $(seq 1 100); do
    port="$(sed -n 's|.*port \([0-9]*\).*|\1|p' "$WORK/remote.log" | head -1)"
    [ -n "$port" ] && break
    sleep 0.1
  done
  if [ -z "$port" ]; then
    echo "$NAME: the remote site did not start:" >&2
    cat "$WORK/remote.log" >&2
    exit 1
  fi
  REMOTE="http://127.0.0.1:$port"
}

# bench_follow_run PAGE START_QUERY: the run followed to its summary
# (bench/run_follow.py); sets RUN_SECONDS, RUN_CPU, RUN_STEPS and
# FIRST_STEP (the file holding the first entry's page).
bench_follow_run() {
  FIRST_STEP="$WORK/first_step.html"
  read -r RUN_SECONDS RUN_CPU RUN_STEPS < <(python3 "$ROOT/bench/run_follow.py" \
    "http://127.0.0.1:$PORT" "$PASSWORD" "$HOST_PID" "$1" "$2" "$FIRST_STEP")
  if [ -z "${RUN_STEPS:-}" ]; then
    echo "$NAME: the run did not reach its summary" >&2
    exit 1
  fi
}
