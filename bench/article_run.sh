#!/usr/bin/env bash
# The host's CPU per article of the demo article item's run, through the
# real host, with no pause between steps and the remote site answering at
# once (the demo site, served by the same host). The run is followed as a
# browser follows it (begin, then each refresh the page writes, to the
# summary), ROUNDS times over (each round stores its twelve articles again).
# Prints the host's CPU per article and per request: compare two builds with
# the same command.
#
#   usage: bench/article_run.sh [BUILD_DIR] [--rounds N]
#
# Needs python3 and sqlite3; skips (exit 0) when one is missing.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
NAME=article_run
source "$ROOT/bench/bench_host.sh"
bench_run_args "$@"
bench_require python3 sqlite3
bench_work
HOST_ARGS=(--demo)
bench_start_host "[Demo]" "Listen=127.0.0.1:0"
# No pause between steps; every round stores its articles again.
sqlite3 "$WORK/data/gather.db" "UPDATE QX_NewsConfig SET setInterval=0, RepeatDeal=2 WHERE id=1;"

cpu=0 seconds=0 requests=0
for _ in $(seq 1 "$ROUNDS"); do
  bench_follow_run Admin_ArticleGather.asp "action=begin&ChannelID=1&ItemID=1"
  read -r cpu seconds requests < <(python3 -c "print($cpu + $RUN_CPU, $seconds + $RUN_SECONDS, \
$requests + $RUN_STEPS)")
done
articles="$(sqlite3 "$WORK/data/host.db" "SELECT COUNT(*) FROM QX_Article")"
python3 - "$articles" "$requests" "$seconds" "$cpu" <<'PY'
import sys
n, steps, run, cpu = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
print("article_run: %d articles stored, %d requests, %.2f s" % (n, steps, run))
print("  host CPU %.2f ms per article, %.2f ms per request" % (1000 * cpu / n, 1000 * cpu / steps))
PY
