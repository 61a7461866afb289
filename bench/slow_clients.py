"""A crowd of slow clients from one address against the other clients of
ostrel-host. CROWD connections from 127.0.0.1 each send a request header a
line at a time (one in three instead a POST header and then its body a byte
at a time), one piece every two seconds, and reconnect as soon as the host
drops them. Meanwhile fresh clients from 127.0.0.2, one every 50 ms, ask for
a static file or the login page. The same clients are measured first without
the crowd, as the reference.

Prints, for each phase: the share of the other clients' requests answered
within 1 s, their median and 95th-percentile times, and for the crowd the
most of its connections the host held at once (connections that lived past
one second) and how many connections it made.

usage: slow_clients.py PORT [--crowd N] [--seconds S]
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
args = parser.parse_args()
TARGET = ("127.0.0.1", args.port)
PIECE_INTERVAL = 2.0
HEADER = b"GET /admin/Admin_Login.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
POST = (b"POST /admin/Admin_Login.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
        b"Origin: http://127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
        b"Content-Length: 100000\r\n\r\n")


class Crowd:
    """The slow connections, driven by one thread with a selector."""

    def __init__(self, size):
        self.size = size
        self.stop = False
        self.connects = 0
        self.held_max = 0
        self.sel = selectors.DefaultSelector()
        self.conns = {}  # socket -> [born, next_send, pieces_sent, is_post]
        self.thread = threading.Thread(target=self.run, daemon=True)

    def open_one(self, index):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setblocking(False)
        s.bind((args.crowd_address, 0))
        try:
            s.connect(TARGET)
        except BlockingIOError:
            pass
        except OSError:
            s.close()
            return False
        self.connects += 1
        now = time.monotonic()
        self.conns[s] = [now, now, 0, index % 3 == 2, index]
        self.sel.register(s, selectors.EVENT_READ)
        return True

    def drop(self, s):
        index = self.conns.pop(s)[4]
        self.sel.unregister(s)
        s.close()
        return index

    def run(self):
        for i in range(self.size):
            self.open_one(i)
        while not self.stop:
            for key, _ in self.sel.select(timeout=0.05):
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
                born, next_send, sent, is_post, index = state
                if now - born > 1.0:
                    held += 1
                if now < next_send:
                    continue
                if is_post:
                    piece = POST if sent == 0 else b"a"
                else:
                    piece = HEADER if sent == 0 else b"X-Slow-%d: 1\r\n" % sent
                try:
                    s.send(piece)
                except (BlockingIOError, InterruptedError):
                    pass
                except OSError:
                    self.open_one(self.drop(s))
                    continue
                state[1] = now + PIECE_INTERVAL
                state[2] = sent + 1
            self.held_max = max(self.held_max, held)
        for s in list(self.conns):
            self.drop(s)


def one_request(path):
    """Seconds to a whole answer on a new connection (None: failed or > 5 s)."""
    start = time.monotonic()
    try:
        s = socket.create_connection(TARGET, timeout=5, source_address=(args.client_address, 0))
        s.sendall(b"GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n" % path)
        answer = b""
        while True:
            data = s.recv(65536)
            if not data:
                break
            answer += data
        s.close()
    except OSError:
        return None
    if not answer.startswith(b"HTTP/1.1 200"):
        return None
    return time.monotonic() - start


def clients(seconds):
    """Fresh clients on a schedule, each in its own thread; their times."""
    results = {b"/css/admin.css": [], b"/admin/Admin_Login.asp": []}
    threads = []

    def probe(path):
        results[path].append(one_request(path))

    end = time.monotonic() + seconds
    n = 0
    while time.monotonic() < end:
        path = list(results)[n % 2]
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
        within = sum(1 for t in answered if t <= 1.0)
        share = 100.0 * within / max(len(times), 1)
        median = statistics.median(answered) * 1000 if answered else float("nan")
        p95 = answered[int(0.95 * (len(answered) - 1))] * 1000 if answered else float("nan")
        print("  %-10s %-24s %4d requests, %5.1f%% answered within 1 s, median %7.1f ms, "
              "95%% %7.1f ms" % (name, path.decode(), len(times), share, median, p95))
    return results


print("slow_clients: %d slow connections from %s, clients from %s, %.0f s each phase"
      % (args.crowd, args.crowd_address, args.client_address, args.seconds))
alone = report("alone", clients(args.seconds / 2))
crowd = Crowd(args.crowd)
crowd.thread.start()
time.sleep(3)  # the crowd in place
crowded = report("crowd", clients(args.seconds))
crowd.stop = True
crowd.thread.join()
print("  crowd: at most %d of its connections held at once, %d connections made"
      % (crowd.held_max, crowd.connects))
for path in alone:
    a = [t for t in alone[path] if t is not None]
    c = [t for t in crowded[path] if t is not None]
    if a and c:
        print("  median time with the crowd / alone, %-24s %.2f"
              % (path.decode(), statistics.median(c) / statistics.median(a)))
