#!/usr/bin/env bash
# A whole Flash gathering run through the real host, against the bare work
# it stands for, in the same run. A local site (python3 http.server) lists
# ENTRIES Flash pages on one list page, each with a list thumbnail beside
# its link (the same picture for all) and a 512 KB movie. The run:
# ostrel-host with downloads on, progress text and bar, interval 0, driven
# as a browser drives it (begin, then each refresh the page writes, to the
# summary). The bare work: one curl downloading the same movies and
# thumbnails one after the other.
# Prints entries per second, the host's CPU per entry and the ratio run /
# bare work.
#
#   usage: bench/flash_run.sh [BUILD_DIR] [--entries N]
#
# Needs python3, curl and sqlite3; skips (exit 0) when one is missing.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
NAME=flash_run
source "$ROOT/bench/bench_host.sh"
bench_run_args "$@"
bench_require python3 curl sqlite3
bench_work

mkdir -p "$WORK/remote"
cp "$ROOT/demo/images/bus.png" "$WORK/remote/thumb.png"
python3 - "$WORK/remote" "$ENTRIES" <<'PY'
import os, sys
root, n = sys.argv[1], int(sys.argv[2])
links = []
for i in range(1, n + 1):
    name = "movie%03d" % i
    # An SWF header, then 512 KB that do not compress.
    open(os.path.join(root, name + ".swf"), "wb").write(b"FWS\x0a" + os.urandom(512 * 1024 - 4))
    page = ('<html><head><meta charset="gb2312"></head><body><h1 class="t">动画%03d</h1>'
            '<div class="i">动画%03d的介绍文字。</div><div class="d"><a href="%s.swf">下载</a>'
            '</div></body></html>') % (i, i, name)
    open(os.path.join(root, name + ".html"), "wb").write(page.encode("gbk"))
    links.append('<li><a href="%s.html"><img src="thumb.png"></a><a href="%s.html">动画%03d</a></li>'
                 % (name, name, i))
open(os.path.join(root, "list.html"), "wb").write(
    ('<html><body><ul class="list">%s</ul></body></html>' % "".join(links)).encode("gbk"))
PY
bench_remote_site "$WORK/remote"
bench_start_host "AllowPrivateRemote=1"

sqlite3 "$WORK/data/host.db" "
  INSERT INTO QX_Classify (ClassID, ChannelID, ClassName, depth, TurnLink, child, rootid, orders,
    parentid, Parentstr, ClassDir, HtmlFileDir) VALUES (50, 5, '测试', 0, 0, 0, 50, 0, 0, '0', 't', 't');"
# Info codes: title, intro, 19 unset, the download area and its link, 9 unset.
sqlite3 "$WORK/data/gather.db" "
  UPDATE QX_FlashConfig SET UseDownload=1, isProgress=3, setInterval=0, MaxDownSize=0,
    AllowDownExt='swf' WHERE id=1;
  INSERT INTO QX_FlashItem (ItemID, ItemName, SiteUrl, ChannelID, ClassID, IsDown, showmode,
    RemoteListUrl, IsPagination, FindListCode, FindInfoCode)
  VALUES (1, 'bench', '$REMOTE/', 5, 50, 1, 1, '$REMOTE/list.html', 0,
    '<ul class=\"list\">\$\$\$</ul>\$\$\$<a href=\"\$\$\$\"\$\$\$1\$\$\$<img src=\"\$\$\$\"\$\$\$0\$\$\$0\$\$\$0',
    '<h1 class=\"t\">\$\$\$</h1>\$\$\$<div class=\"i\">\$\$\$</div>' ||
    replace(hex(zeroblob(17)), '00', '\$\$\$0') ||
    '\$\$\$<div class=\"d\">\$\$\$</div>\$\$\$<a href=\"\$\$\$\"' ||
    replace(hex(zeroblob(8)), '00', '\$\$\$0'));"

bench_follow_run Admin_FlashGather.asp "action=begin&ChannelID=5&ItemID=1"
stored="$(sqlite3 "$WORK/data/host.db" "SELECT COUNT(*) FROM QX_FlashList WHERE miniature<>''")"
if [ "$stored" != "$ENTRIES" ]; then
  echo "$NAME: $stored entries stored with their thumbnail, not $ENTRIES; the first entry's page:" >&2
  tail -c 3000 "$FIRST_STEP" >&2
  exit 1
fi

# One curl for all files, one after the other: no process start per file.
mkdir -p "$WORK/bare"
for i in $(seq -f "%03g" 1 "$ENTRIES"); do
  printf 'url = "%s/movie%s.swf"\noutput = "%s/bare/movie%s.swf"\n' "$REMOTE" "$i" "$WORK" "$i"
  printf 'url = "%s/thumb.png"\noutput = "%s/bare/thumb%s.png"\n' "$REMOTE" "$WORK" "$i"
done > "$WORK/bare.curl"
bare_start="$(date +%s.%N)"
curl -s -K "$WORK/bare.curl"
bare_end="$(date +%s.%N)"

python3 - "$ENTRIES" "$RUN_STEPS" "$RUN_SECONDS" "$RUN_CPU" "$bare_start" "$bare_end" <<'PY'
import sys
n, steps, run, cpu, b0, b1 = int(sys.argv[1]), int(sys.argv[2]), *map(float, sys.argv[3:7])
bare = b1 - b0
print("flash_run: %d entries, %d requests" % (n, steps))
print("  gathering run: %.2f s, %.1f entries/s, host CPU %.1f ms per entry" % (run, n / run, 1000 * cpu / n))
print("  bare work (one curl of every movie and thumbnail): %.2f s, %.1f entries/s" % (bare, n / bare))
print("  ratio run / bare work: %.2f" % (run / bare))
PY
