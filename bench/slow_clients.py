"""A crowd of slow clients against the other clients of ostrel-host. CROWD
connections, from one address or spread over --crowd-addresses K loopback
addresses, each send a request header a line at a time (one in three
instead a POST header and then its body a byte at a time), one piece every
two seconds, and reconnect as soon as the host drops them. Meanwhile fresh
clients, one every 50 ms, ask for a static file or the login page (and,
with --password, the item list of a session of their own, or log in). The same
clients are measured first without the crowd, as the reference.

The crowd can be of other kinds: --no-read pipelines requests for a static
file (and the login page) on each connection and never reads an answer;
--read-every S does the same and reads 4 KB every S seconds; --announce
sends POST headers that announce a 2 MB body, then trickles it a byte every
two seconds. Every kind reconnects as soon as the host drops it.

With --stalled N and --stall-item ITEM, the clients' address first starts N
article run steps of the item (N sessions), whose link list leads to a site
that never answers (--stall-port), and keeps them open: an administrator
whose browser or proxy holds many stuck steps.

Prints, for each phase: the share of the other clients' requests answered
within --within seconds (default 1), their median and 95th-percentile
times, and for the crowd the most of its connections the host held at once
(connections that lived past one second) and how many connections it made.

usage: slow_clients.py PORT [--crowd N] [--crowd-addresses K] [--seconds S]
           [--within S] [--no-read | --read-every S | --announce]
           [--password P [--stalled N --stall-item ITEM]]
"""
import argparse
import selectors
import socket
import statistics
import threading
import time

parser = argparse.ArgumentParser()
parser.add_argument("port", type=int)
parser.add_argument("--crowd", type=int, default=600)
parser.add_argument("--seconds", type=float, default=20)
parser.add_argument("--crowd-address", default="127.0.0.1")
parser.add_argument("--client-address", default="127.0.0.2")
parser.add_argument("--crowd-addresses", type=int, default=1)
parser.add_argument("--within", type=float, default=1.0)
parser.add_argument("--password", default="")
parser.add_argument("--stalled", type=int, default=0)
parser.add_argument("--stall-item", type=int, default=0)
parser.add_argument("--no-read", action="store_true")
parser.add_argument("--read-every", type=float, default=0)
parser.add_argument("--announce", action="store_true")
args = parser.parse_args()
READERS = args.no_read or args.read_every > 0
if args.crowd_addresses > 1:
    CROWD_ADDRESSES = ["127.0.%d.%d" % (1 + i // 250, 1 + i % 250)
                       for i in range(args.crowd_addresses)]
else:
    CROWD_ADDRESSES = [args.crowd_address]
TARGET = ("127.0.0.1", args.port)
PIECE_INTERVAL = 2.0
HEADER = b"GET /admin/Admin_Login.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
POST = (b"POST /admin/Admin_Login.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
        b"Origin: http://127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
        b"Content-Length: 100000\r\n\r\n")
ANNOUNCE = POST.replace(b"100000", b"2097152")
# What a reader that does not read sends at once, and again whenever the
# host takes more: requests for a static file and the login page.
PIPELINED = (b"GET /css/admin.css HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" * 20 +
             b"GET /admin/Admin_Login.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n") * 100
READ_BLOCK = 4096


class Crowd:
    """The slow connections, driven by one thread with a selector."""

    def __init__(self, size):
        self.size = size
        self.stop = False
        self.connects = 0
        self.held_max = 0
        self.sel = selectors.DefaultSelector()
        self.conns = {}  # socket -> the state open_one makes
        self.thread = threading.Thread(target=self.run, daemon=True)

    def open_one(self, index):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setblocking(False)
        if READERS:  # a small window: the host's answers fill it at once
            s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, READ_BLOCK)
        s.bind((CROWD_ADDRESSES[index % len(CROWD_ADDRESSES)], 0))
        try:
            s.connect(TARGET)
        except BlockingIOError:
            pass
        except OSError:
            s.close()
            return False
        self.connects += 1
        now = time.monotonic()
        # born, next send, pieces sent, is a POST, index, next read, unsent
        self.conns[s] = [now, now, 0, index % 3 == 2, index, now + args.read_every, b""]
        # A client that does not read learns of its end from its sends (and
        # reads).
        if not READERS:
            self.sel.register(s, selectors.EVENT_READ)
        return True

    def drop(self, s):
        index = self.conns.pop(s)[4]
        if not READERS:
            self.sel.unregister(s)
        s.close()
        return index

    def piece(self, state, now):
        """What the connection sends next, and when it sends again."""
        sent, is_post = state[2], state[3]
        if READERS:
            return PIPELINED, now + PIECE_INTERVAL
        if args.announce:
            return (ANNOUNCE if sent == 0 else b"a"), now + PIECE_INTERVAL
        if is_post:
            return (POST if sent == 0 else b"a"), now + PIECE_INTERVAL
        return (HEADER if sent == 0 else b"X-Slow-%d: 1\r\n" % sent), now + PIECE_INTERVAL

    def run(self):
        for i in range(self.size):
            self.open_one(i)
        while not self.stop:
            if READERS:
                time.sleep(0.05)
            for key, _ in (self.sel.select(timeout=0.05) if not READERS else []):
                s = key.fileobj
                try:
                    data = s.recv(4096)
                except (BlockingIOError, InterruptedError):
                    continue
                except OSError:
                    data = b""
                # Any answer (an error page or a close) ends the connection.
                self.open_one(self.drop(s))
                del data
            now = time.monotonic()
            held = 0
            for s, state in list(self.conns.items()):
                born, next_send, sent = state[0], state[1], state[2]
                if now - born > 1.0:
                    held += 1
                try:
                    if args.read_every > 0 and now >= state[5]:
                        state[5] = now + args.read_every
                        if not s.recv(READ_BLOCK):
                            raise ConnectionResetError
                    if now >= next_send and not state[6]:
                        state[6], state[1] = self.piece(state, now)
                        state[2] = sent + 1
                    if state[6]:
                        state[6] = state[6][s.send(state[6]):]
                except (BlockingIOError, InterruptedError):
                    pass
                except OSError:
                    self.open_one(self.drop(s))
            self.held_max = max(self.held_max, held)
        for s in list(self.conns):
            self.drop(s)


def exchange(request, timeout=5):
    """The whole answer to a request on a new connection from the clients' address."""
    s = socket.create_connection(TARGET, timeout=timeout, source_address=(args.client_address, 0))
    s.sendall(request)
    answer = b""
    while True:
        data = s.recv(65536)
        if not data:
            break
        answer += data
    s.close()
    return answer


LOGIN_POST = b"POST login"


def login_answer():
    body = b"AdminName=admin&Password=" + args.password.encode()
    return exchange(b"POST /admin/Admin_Login.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                    b"Origin: http://127.0.0.1\r\nConnection: close\r\n"
                    b"Content-Type: application/x-www-form-urlencoded\r\n"
                    b"Content-Length: %d\r\n\r\n%s" % (len(body), body))


def login():
    """A new logged-in session's cookie header line."""
    cookie = login_answer().split(b"Set-Cookie: ", 1)[1].split(b";", 1)[0]
    return b"Cookie: " + cookie + b"\r\n"


COOKIE = login() if args.password else b""
LIST_PAGE = b"/admin/Admin_ArticleGather.asp?ChannelID=1"


def stall_steps(n):
    """n run steps of n sessions, held open: their remote never answers."""
    held = []
    try:
        for _ in range(n):
            s = socket.create_connection(TARGET, source_address=(args.client_address, 0))
            s.sendall(b"GET /admin/Admin_ArticleGather.asp?action=savenew&ChannelID=1&page=0&D=1"
                      b"&ItemID=%d HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                      b"Referer: http://127.0.0.1/admin/Admin_ArticleGather.asp\r\n%s\r\n"
                      % (args.stall_item, login()))
            held.append(s)
    except (OSError, IndexError):
        print("  stalled steps: the host refused the login or step after %d of them" % len(held))
    return held


def one_request(path):
    """Seconds to a whole answer on a new connection (None: failed or > 5 s)."""
    start = time.monotonic()
    try:
        if path == LOGIN_POST:
            answer = login_answer()
        else:
            cookie = COOKIE if path == LIST_PAGE else b""
            answer = exchange(b"GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                              b"%s\r\n" % (path, cookie))
    except OSError:
        return None
    if not answer.startswith(b"HTTP/1.1 302" if path == LOGIN_POST else b"HTTP/1.1 200"):
        return None
    return time.monotonic() - start


def clients(seconds):
    """Fresh clients on a schedule, each in its own thread; their times."""
    results = {b"/css/admin.css": [], b"/admin/Admin_Login.asp": []}
    if COOKIE:
        results[LIST_PAGE] = []
        results[LOGIN_POST] = []
    threads = []

    def probe(path):
        results[path].append(one_request(path))

    end = time.monotonic() + seconds
    n = 0
    while time.monotonic() < end:
        path = list(results)[n % len(results)]
        t = threading.Thread(target=probe, args=(path,))
        t.start()
        threads.append(t)
        n += 1
        time.sleep(0.05)
    for t in threads:
        t.join()
    return results


def report(name, results):
    for path, times in results.items():
        answered = sorted(t for t in times if t is not None)
        within = sum(1 for t in answered if t <= args.within)
        share = 100.0 * within / max(len(times), 1)
        median = statistics.median(answered) * 1000 if answered else float("nan")
        p95 = answered[int(0.95 * (len(answered) - 1))] * 1000 if answered else float("nan")
        print("  %-10s %-24s %4d requests, %5.1f%% answered within %g s, median %7.1f ms, "
              "95%% %7.1f ms" % (name, path.decode()[:24], len(times), share, args.within,
                                 median, p95))
    return results


KIND = ("not reading" if args.no_read else "reading 4 KB every %g s" % args.read_every
        if args.read_every > 0 else "announcing 2 MB bodies" if args.announce else "slow")
print("slow_clients: %d %s connections from %s, clients from %s, %d stalled steps, "
      "%.0f s each phase"
      % (args.crowd, KIND, CROWD_ADDRESSES[0] if len(CROWD_ADDRESSES) == 1
         else "%d addresses" % len(CROWD_ADDRESSES), args.client_address, args.stalled,
         args.seconds))
alone = report("alone", clients(args.seconds / 2))
stalled = stall_steps(args.stalled)
crowd = Crowd(args.crowd)
crowd.thread.start()
time.sleep(3)  # the crowd in place
crowded = report("crowd", clients(args.seconds))
crowd.stop = True
crowd.thread.join()
for s in stalled:
    s.close()
print("  crowd: at most %d of its connections held at once, %d connections made"
      % (crowd.held_max, crowd.connects))
for path in alone:
    a = [t for t in alone[path] if t is not None]
    c = [t for t in crowded[path] if t is not None]
    if a and c:
        print("  median time with the crowd / alone, %-24s %.2f"
              % (path.decode()[:24], statistics.median(c) / statistics.median(a)))
