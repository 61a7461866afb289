#!/usr/bin/env bash
# A whole software gathering run through the real host, against the bare
# work it stands for, in the same run. A local site (python3 http.server)
# lists ENTRIES software pages, each linking a 1 MB zip archive. The run:
# ostrel-host with downloads on and re-packing to zip, interval 0, driven as
# a browser drives it (begin, then each refresh the page writes, to the
# summary). The bare work: curl downloading the same files, unzip and
# zip -r of each. Prints entries per second, the host's CPU per entry and
# the ratio run / bare work (the gathering should add at most 30%).
#
#   usage: bench/soft_run.sh [BUILD_DIR] [--entries N]
#
# Needs python3, curl, unzip, zip and sqlite3; skips (exit 0) when one is
# missing.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
NAME=soft_run
source "$ROOT/bench/bench_host.sh"
bench_run_args "$@"
bench_require python3 curl unzip zip sqlite3
bench_work

# The remote site: a list page, the entry pages and their archives (1 MB of
# data that does not compress, stored, in a folder with a readme).
mkdir -p "$WORK/remote"
python3 - "$WORK/remote" "$ENTRIES" <<'PY'
import os, sys, zipfile
root, n = sys.argv[1], int(sys.argv[2])
links = []
for i in range(1, n + 1):
    name = "soft%03d" % i
    with zipfile.ZipFile(os.path.join(root, name + ".zip"), "w", zipfile.ZIP_STORED) as z:
        z.writestr(name + "/" + name + ".exe", os.urandom(1024 * 1024 - 200))
        z.writestr(name + "/readme.txt", "readme of %s\r\n" % name)
    page = ('<html><head><meta charset="gb2312"></head><body><h1 class="n">软件%03d</h1>'
            '<div class="i">软件%03d的介绍文字。</div><ul class="d"><li><a href="%s.zip">下载</a>'
            '</li></ul></body></html>') % (i, i, name)
    open(os.path.join(root, name + ".html"), "wb").write(page.encode("gbk"))
    links.append('<li><a href="%s.html">软件%03d</a></li>' % (name, i))
open(os.path.join(root, "list.html"), "wb").write(
    ('<html><body><ul class="list">%s</ul></body></html>' % "".join(links)).encode("gbk"))
PY
bench_remote_site "$WORK/remote"

# The host, with a fresh data folder and the readme the re-packer adds.
bench_start_host "AllowPrivateRemote=1"
mkdir -p "$WORK/site/soft/readme"
printf 'From our site.\r\n' > "$WORK/site/soft/readme/site.txt"

sqlite3 "$WORK/data/host.db" "
  INSERT INTO QX_Classify (ClassID, ChannelID, ClassName, depth, TurnLink, child, rootid, orders,
    parentid, Parentstr, ClassDir, HtmlFileDir) VALUES (50, 2, '测试', 0, 0, 0, 50, 0, 0, '0', 't', 't');"
codes() { local IFS='|'; echo "$*" | sed 's/|/$$$/g'; }
sqlite3 "$WORK/data/gather.db" "
  UPDATE QX_SoftConfig SET UseDownload=1, isProgress=3, setInterval=0, isZipFile=1, ZipMode=1,
    ZipTimeout=0, AllowDownExt='zip', AllowFileExt='zip', DownFilePath='/soft/DownFile/',
    ReadmePath='/soft/readme/', ReadmeFile='site.txt' WHERE id=1;
  INSERT INTO QX_SoftItem (ItemID, ItemName, SiteUrl, ChannelID, ClassID, IsDown, MaxAddress,
    RemoteListUrl, IsPagination, FindListCode, FindInfoCode)
  VALUES (1, 'bench', '$REMOTE/', 2, 50, 1, 0, '$REMOTE/list.html', 0,
    '<ul class=\"list\">\$\$\$</ul>\$\$\$<li><a href=\"\$\$\$\"',
    '<h1 class=\"n\">\$\$\$</h1>\$\$\$<div class=\"i\">\$\$\$</div>' ||
    replace(hex(zeroblob(22)), '00', '\$\$\$0') ||
    '\$\$\$<ul class=\"d\">\$\$\$</ul>\$\$\$<a href=\"\$\$\$\"' ||
    replace(hex(zeroblob(10)), '00', '\$\$\$0'));"

bench_follow_run admin_SoftGather.asp "action=begin&ChannelID=2&ItemID=1"
stored="$(sqlite3 "$WORK/data/host.db" "SELECT COUNT(*) FROM QX_SoftList")"
if [ "$stored" != "$ENTRIES" ]; then
  echo "$NAME: $stored entries stored, not $ENTRIES; the first entry's page:" >&2
  tail -c 3000 "$FIRST_STEP" >&2
  exit 1
fi

python3 - "$REMOTE" "$ENTRIES" "$WORK" "$RUN_STEPS" "$RUN_SECONDS" "$RUN_CPU" <<'PY'
import os, subprocess, sys, time
remote, n, work, steps = sys.argv[1], int(sys.argv[2]), sys.argv[3], int(sys.argv[4])
run, run_cpu = float(sys.argv[5]), float(sys.argv[6])
bare_dir = os.path.join(work, "bare")
os.makedirs(bare_dir)
t0 = time.monotonic()
for i in range(1, n + 1):
    name = "soft%03d" % i
    archive = os.path.join(bare_dir, name + ".zip")
    subprocess.run(["curl", "-s", "-o", archive, "%s/%s.zip" % (remote, name)], check=True)
    unpacked = os.path.join(bare_dir, name)
    subprocess.run(["unzip", "-q", archive, "-d", unpacked], check=True)
    subprocess.run(["zip", "-qr", os.path.join(bare_dir, name + "_new.zip"), "."], cwd=unpacked, check=True)
bare = time.monotonic() - t0
print("soft_run: %d entries, %d requests" % (n, steps))
print("  gathering run: %.2f s, %.1f entries/s, host CPU %.1f ms per entry" % (run, n / run, 1000 * run_cpu / n))
print("  bare work (curl + unzip + zip -r): %.2f s, %.1f entries/s" % (bare, n / bare))
print("  ratio run / bare work: %.2f (target <= 1.3)" % (run / bare))
PY
