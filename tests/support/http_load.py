#!/usr/bin/env python3
"""Many parallel clients against an HTTP server that echoes: each request
POSTs a body to /load with an "X-Id" header; the answer must be status 200
and the body "id=<id>;md5=<md5 of the body, upper-case hex>;len=<n>;<body>",
gzip-compressed when the request asked for it.

    http_load.py PORT CLIENTS REQUESTS [--refusals] [--deadline SECONDS]
    http_load.py --serve ...   (the same traffic against an echo server of
                                python's own, for comparison)

Even clients keep their connection alive, odd ones open one per request;
every fifth request asks for gzip; every fiftieth body is 1 MB, the others up
to 16 KiB. With --refusals the server is expected to refuse some connections
with 503 (bodies stay small then). Prints one line of counts and exits with 0
only when no answer was lost or wrong. Every wait is bounded.
"""
import argparse
import gzip
import hashlib
import http.client
import http.server
import random
import sys
import threading
import time


def body_for(client, number, refusals):
    rng = random.Random(client * 100003 + number)
    if refusals:
        size = rng.randint(0, 512)
    elif number % 50 == 7:
        size = 1000000
    else:
        size = rng.randint(0, 16384)
    return rng.randbytes(size)


def expected(ident, body):
    md5 = hashlib.md5(body).hexdigest().upper()
    return b"id=%s;md5=%s;len=%d;" % (ident.encode(), md5.encode(), len(body)) + body


class Tally:
    def __init__(self):
        self.lock = threading.Lock()
        self.ok = 0
        self.refused = 0
        self.errors = []

    def add(self, ok=0, refused=0, error=None):
        with self.lock:
            self.ok += ok
            self.refused += refused
            if error is not None:
                self.errors.append(error)


def run_client(port, client, requests, refusals, deadline, tally):
    keep_alive = client % 2 == 0
    connection = None
    for number in range(requests):
        if time.monotonic() > deadline:
            tally.add(error="client %d: out of time at request %d" % (client, number))
            return
        ident = "%d-%d" % (client, number)
        body = body_for(client, number, refusals)
        wants_gzip = number % 5 == 0
        headers = {"X-Id": ident, "Content-Type": "application/octet-stream"}
        if wants_gzip:
            headers["Accept-Encoding"] = "gzip"
        if not keep_alive:
            headers["Connection"] = "close"
        try:
            if connection is None:
                connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
            connection.request("POST", "/load?id=" + ident, body=body, headers=headers)
            answer = connection.getresponse()
            data = answer.read()
            if answer.status == 503 and refusals:
                tally.add(refused=1)
                connection.close()
                connection = None
                continue
            if answer.status != 200:
                tally.add(error="%s: status %d" % (ident, answer.status))
            else:
                if wants_gzip:
                    if answer.getheader("Content-Encoding") != "gzip":
                        tally.add(error="%s: not gzip" % ident)
                        continue
                    data = gzip.decompress(data)
                if data != expected(ident, body):
                    tally.add(error="%s: wrong answer (%d bytes)" % (ident, len(data)))
                else:
                    tally.add(ok=1)
            if not keep_alive or answer.will_close:
                connection.close()
                connection = None
        except Exception as e:  # a lost answer
            tally.add(error="%s: %s: %s" % (ident, type(e).__name__, e))
            if connection is not None:
                connection.close()
            connection = None
    if connection is not None:
        connection.close()


class EchoHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        content = expected(self.headers.get("X-Id", ""), body)
        wants_gzip = "gzip" in self.headers.get("Accept-Encoding", "")
        if wants_gzip:
            content = gzip.compress(content, 1)
        self.send_response(200)
        self.send_header("Content-Length", str(len(content)))
        if wants_gzip:
            self.send_header("Content-Encoding", "gzip")
        self.end_headers()
        self.wfile.write(content)

    def log_message(self, *args):
        pass


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("port", type=int)
    parser.add_argument("clients", type=int)
    parser.add_argument("requests", type=int)
    parser.add_argument("--refusals", action="store_true")
    parser.add_argument("--serve", action="store_true")
    parser.add_argument("--deadline", type=float, default=240.0)
    args = parser.parse_args(argv[1:])
    port = args.port
    server = None
    if args.serve:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), EchoHandler)
        server.daemon_threads = True
        port = server.server_address[1]
        threading.Thread(target=server.serve_forever, daemon=True).start()
    tally = Tally()
    deadline = time.monotonic() + args.deadline
    start = time.monotonic()
    threads = [threading.Thread(target=run_client,
                                args=(port, c, args.requests, args.refusals, deadline, tally))
               for c in range(args.clients)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(max(0.0, deadline - time.monotonic()) + 5)
    alive = sum(t.is_alive() for t in threads)
    if alive:
        tally.add(error="%d clients did not end in time" % alive)
    if server is not None:
        server.shutdown()
    print("ok=%d refused=%d errors=%d seconds=%.2f" %
          (tally.ok, tally.refused, len(tally.errors), time.monotonic() - start))
    for e in tally.errors[:20]:
        print(e)
    lost = args.clients * args.requests - tally.ok - tally.refused
    return 0 if not tally.errors and lost == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
