"""Follows a whole gathering run through ostrel-host as a browser does: logs
in, requests the run's start, then each refresh the page writes, up to the
summary (action=yes). Prints "SECONDS CPU_SECONDS REQUESTS" of the run (CPU:
the host process's user and system time) and writes the first entry step's
page to FIRST_STEP_FILE.

usage: run_follow.py BASE PASSWORD HOST_PID PAGE START_QUERY FIRST_STEP_FILE
  PAGE: the admin page's name (the referrer of every request), START_QUERY:
  its query that begins the run.
"""
import http.cookiejar
import os
import re
import sys
import time
import urllib.parse
import urllib.request

base, password, pid, page, start, first_file = sys.argv[1:7]
jar = http.cookiejar.CookieJar()
opener = urllib.request.build_opener(urllib.request.HTTPCookieProcessor(jar))
# As a browser following the page's own scripts: the referrer is the host's page.
opener.addheaders = [("Referer", base + "/admin/" + page)]
opener.open(base + "/admin/Admin_Login.asp").read()
opener.open(base + "/admin/Admin_Login.asp",
            urllib.parse.urlencode({"AdminName": "admin", "Password": password}).encode()).read()


def cpu():
    fields = open("/proc/%s/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


LEADS = [r"reFresh\(\)\{window\.location\.href='([^']*)'",
         r"buildRefresh\(\)\{window\.location\.href='([^']*)'",
         r"content=\"1;url='([^']*)'"]

cpu0, t0 = cpu(), time.monotonic()
query = page + "?" + start
steps = 0
while "action=yes" not in query:
    body = opener.open(base + "/admin/" + query).read().decode("gbk", "replace")
    steps += 1
    if steps == 2:
        open(first_file, "w", encoding="utf-8").write(body)
    following = ""
    for lead in LEADS:
        found = re.findall(lead, body)
        if found:
            following = found[-1]
    if not following:
        sys.exit("the run stopped at %s:\n%s" % (query, body[-2000:]))
    query = following
print("%.3f %.3f %d" % (time.monotonic() - t0, cpu() - cpu0, steps))
