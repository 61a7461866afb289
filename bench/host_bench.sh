#!/usr/bin/env bash
# The host's cost of a page: the article and the software channels' item
# lists (30 rows each), each against a static file of exactly its size,
# served by the same ostrel-host in the same run and measured with wrk the
# same way. Prints the requests-per-second figures and their ratios; each
# item list should stay within 3x of its file.
#
#   usage: bench/host_bench.sh [BUILD_DIR] [--duration SECONDS] [--connections N] [--no-run]
#
# Needs wrk (Debian package wrk) and sqlite3; skips (exit 0) when either is
# missing. Each connection has its own wrk thread and its own logged-in
# session, since the requests of one session are served one at a time.
# Meanwhile another session keeps gathering the demo site (--demo), step
# after step, so the figures are those of a host in the middle of a run.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$ROOT/build"
DURATION=5
CONNECTIONS=4
DURING_RUN=1
while [ "$#" -gt 0 ]; do
  case "$1" in
    --duration) DURATION="$2"; shift 2 ;;
    --connections) CONNECTIONS="$2"; shift 2 ;;
    --no-run) DURING_RUN=0; shift ;;
    *) BUILD="$1"; shift ;;
  esac
done
HOST="$BUILD/src/host/ostrel-host"

NAME=host_bench
source "$ROOT/bench/bench_host.sh"
bench_require wrk sqlite3 curl
bench_work
HOST_ARGS=(--demo)
bench_start_host "PageListNum=30" "[Demo]" "Listen=127.0.0.1:0"
BASE="http://127.0.0.1:$PORT"

# Thirty items fill the first page of the list; the class names and last run
# times make each row do the work a real row does.
sqlite3 "$WORK/data/gather.db" "
  WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30)
  INSERT INTO QX_NewsItem (ItemName, SiteUrl, ChannelID, ClassID, RemoteListUrl)
  SELECT '测试项目' || i, 'http://127.0.0.1/site' || i || '/', 1, 1 + i % 4,
         'http://127.0.0.1/site' || i || '/list.html' FROM n;
  WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30)
  INSERT INTO QX_SoftItem (ItemName, SiteUrl, ChannelID, ClassID, RemoteListUrl)
  SELECT '测试软件' || i, 'http://127.0.0.1/soft' || i || '/', 2, 1 + i % 4,
         'http://127.0.0.1/soft' || i || '/list.html' FROM n;"

# One logged-in session per connection, and one for the run.
login() {
  local jar="$WORK/jar$1"
  curl -s -o /dev/null -c "$jar" -H "Origin: $BASE" --data "AdminName=admin&Password=$PASSWORD" \
    "$BASE/admin/Admin_Login.asp"
  echo "ASPSESSIONID=$(awk '$6 == "ASPSESSIONID" {print $7}' "$jar" | tail -1)"
}
COOKIES=()
for i in $(seq 1 "$CONNECTIONS"); do COOKIES+=("$(login "$i")"); done

# The run: the demo item's steps, again and again, as its pages lead.
RUN_COOKIE="$(login run)"
DEMO_ITEM="$(sqlite3 "$WORK/data/gather.db" \
  "SELECT ItemID FROM QX_NewsItem WHERE ItemName = '演示站点：本地新闻' LIMIT 1")"
[ "$DURING_RUN" -eq 1 ] && (
  PAGE="$BASE/admin/Admin_ArticleGather.asp"
  while :; do
    curl -s -o /dev/null -b "$RUN_COOKIE" -H "Referer: $PAGE" \
      "$PAGE?action=begin&ChannelID=1&ItemID=$DEMO_ITEM"
    for p in $(seq 0 11); do
      curl -s -o /dev/null -b "$RUN_COOKIE" -H "Referer: $PAGE" \
        "$PAGE?action=savenew&ChannelID=1&ItemID=$DEMO_ITEM&page=$p&D=1"
    done
  done
) &
[ "$DURING_RUN" -eq 1 ] && BENCH_PIDS+=($!)

# page_copy NAME PATH: fetches the item list at PATH, checks its 30 rows and
# puts the same bytes into the site as /bench/NAME.html.
mkdir -p "$WORK/site/bench"
page_copy() {
  curl -s -o "$WORK/$1.html" -b "${COOKIES[0]}" "$BASE$2"
  local rows
  rows="$(grep -o 'action=begin' "$WORK/$1.html" | wc -l)"
  if [ "$rows" -lt 30 ]; then
    echo "host_bench: the item list $2 shows $rows rows, not 30:" >&2
    head -c 2000 "$WORK/$1.html" >&2
    exit 1
  fi
  cp "$WORK/$1.html" "$WORK/site/bench/$1.html"
}
LIST="/admin/Admin_ArticleGather.asp"
SOFT_LIST="/admin/admin_SoftGather.asp"
page_copy list "$LIST"
page_copy soft "$SOFT_LIST"
SIZE="$(stat -c %s "$WORK/list.html")"
SOFT_SIZE="$(stat -c %s "$WORK/soft.html")"

# Gives each wrk thread (one connection each) its own session, and counts the
# answers that are not 200 (a lost login would turn into fast redirects).
LUA_COOKIES=""
for cookie in "${COOKIES[@]}"; do LUA_COOKIES+="\"$cookie\", "; done
cat > "$WORK/bench.lua" <<LUA
local cookies = { $LUA_COOKIES}
local threads = {}
function setup(thread)
  table.insert(threads, thread)
  thread:set("cookie", cookies[(#threads - 1) % #cookies + 1])
end
function init(args)
  wrk.headers["Cookie"] = cookie
  not_ok = 0
end
function response(status, headers, body)
  if status ~= 200 then not_ok = not_ok + 1 end
end
function done(summary, latency, requests)
  local n = 0
  for _, t in ipairs(threads) do n = n + t:get("not_ok") end
  io.write(string.format("not_ok %d\n", n))
end
LUA

# measure PATH: requests per second (after a short warm-up).
measure() {
  wrk -t"$CONNECTIONS" -c"$CONNECTIONS" -d1s -s "$WORK/bench.lua" "$BASE$1" >/dev/null
  wrk -t"$CONNECTIONS" -c"$CONNECTIONS" -d"${DURATION}s" -s "$WORK/bench.lua" "$BASE$1" \
    >"$WORK/wrk.out"
  local bad
  bad="$(awk '$1 == "not_ok" {print $2}' "$WORK/wrk.out")"
  if [ "${bad:-1}" -ne 0 ]; then
    echo "host_bench: $1 gave $bad answers other than 200" >&2
    cat "$WORK/wrk.out" >&2
    exit 1
  fi
  awk '$1 == "Requests/sec:" {print $2}' "$WORK/wrk.out"
}

DYNAMIC="$(measure "$LIST")"
STATIC="$(measure /bench/list.html)"
SOFT_DYNAMIC="$(measure "$SOFT_LIST")"
SOFT_STATIC="$(measure /bench/soft.html)"
ratio() { awk -v s="$1" -v d="$2" 'BEGIN {printf "%.2f", s / d}'; }
WHEN="$([ "$DURING_RUN" -eq 1 ] && echo ", during a run" || true)"
echo "host_bench: $CONNECTIONS connections, ${DURATION}s each$WHEN"
echo "  article item list (30 rows, $SIZE bytes)   $DYNAMIC requests/s"
echo "  static file, same size                     $STATIC requests/s"
echo "  ratio static/dynamic                       $(ratio "$STATIC" "$DYNAMIC") (target: 3 or less)"
echo "  software item list (30 rows, $SOFT_SIZE bytes)  $SOFT_DYNAMIC requests/s"
echo "  static file, same size                     $SOFT_STATIC requests/s"
echo "  ratio static/dynamic                       $(ratio "$SOFT_STATIC" "$SOFT_DYNAMIC") (target: 3 or less)"
