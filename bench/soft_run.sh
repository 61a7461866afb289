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
BUILD="$ROOT/build"
ENTRIES=200
while [ "$#" -gt 0 ]; do
  case "$1" in
    --entries) ENTRIES="$2"; shift 2 ;;
    *) BUILD="$1"; shift ;;
  esac
done
HOST="$BUILD/src/host/ostrel-host"

NAME=soft_run
source "$ROOT/bench/bench_host.sh"
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
python3 -m http.server --bind 127.0.0.1 0 --directory "$WORK/remote" >"$WORK/remote.log" 2>&1 &
BENCH_PIDS+=($!)
REMOTE_PORT=""
for _ in $(seq 1 100); do
  REMOTE_PORT="$(sed -n 's|.*port \([0-9]*\).*|\1|p' "$WORK/remote.log" | head -1)"
  [ -n "$REMOTE_PORT" ] && break
  sleep 0.1
done
REMOTE="http://127.0.0.1:$REMOTE_PORT"

# The host, with a fresh data folder and the readme the re-packer adds.
bench_start_host "AllowPrivateRemote=1"
mkdir -p "$WORK/site/soft/readme"
printf 'From our site.\r\n' > "$WORK/site/soft/readme/site.txt"
if [ -z "$REMOTE_PORT" ]; then
  echo "soft_run: the remote site did not start:" >&2
  cat "$WORK/remote.log" >&2
  exit 1
fi

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

python3 - "http://127.0.0.1:$PORT" "$PASSWORD" "$HOST_PID" "$REMOTE" "$ENTRIES" "$WORK" <<'PY'
import http.cookiejar, os, re, subprocess, sys, time, urllib.parse, urllib.request
base, password, pid, remote, n, work = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5]), sys.argv[6]
jar = http.cookiejar.CookieJar()
opener = urllib.request.build_opener(urllib.request.HTTPCookieProcessor(jar))
# As a browser following the page's own scripts: the referrer is the host's page.
opener.addheaders = [("Referer", base + "/admin/admin_SoftGather.asp")]
opener.open(base + "/admin/Admin_Login.asp").read()
opener.open(base + "/admin/Admin_Login.asp",
            urllib.parse.urlencode({"AdminName": "admin", "Password": password}).encode()).read()

def cpu():
    fields = open("/proc/%s/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

leads = [r"reFresh\(\)\{window\.location\.href='([^']*)'", r"buildRefresh\(\)\{window\.location\.href='([^']*)'",
         r"content=\"1;url='([^']*)'"]
last_body = [""]
def follow(query):
    steps = 0
    while "action=yes" not in query:
        body = opener.open(base + "/admin/" + query).read().decode("gbk", "replace")
        steps += 1
        if "savenew" in query and steps == 2:
            last_body[0] = body
        nxt = ""
        for lead in leads:
            found = re.findall(lead, body)
            if found:
                nxt = found[-1]
        if not nxt:
            sys.exit("soft_run: the run stopped at %s:\n%s" % (query, body[-2000:]))
        query = nxt
    return steps

cpu0, t0 = cpu(), time.monotonic()
steps = follow("admin_SoftGather.asp?action=begin&ChannelID=2&ItemID=1")
run = time.monotonic() - t0
run_cpu = cpu() - cpu0
stored = subprocess.run(["sqlite3", work + "/data/host.db", "SELECT COUNT(*) FROM QX_SoftList"],
                        capture_output=True, text=True).stdout.strip()
if stored != str(n):
    sys.exit("soft_run: %s entries stored, not %d; the first entry's page:\n%s" % (stored, n, last_body[0][-3000:]))

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
