#!/usr/bin/env python3
"""Loopback HTTP server for the signature benchmark.

GET /<n> answers 200 with a body of n bytes of the download benchmark's
pattern (its 1 MiB block, repeated), GET /<n>.minisig with the file given as
the first argument. With RATE (bytes per second) the body is sent no faster,
as over a network link of that speed. Prints the port.
Usage: server.py SIGNATURE_FILE [RATE]
"""
import http.server
import sys
import time

BLOCK = memoryview(bytes(range(256)) * 4096)
with open(sys.argv[1], "rb") as f:
    SIGNATURE = f.read()
RATE = float(sys.argv[2]) if len(sys.argv) > 2 else 0


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        name = self.path.strip("/")
        if name.endswith(".minisig"):
            self.answer(len(SIGNATURE))
            self.wfile.write(SIGNATURE)
            return
        size = left = int(name)
        self.answer(size)
        start = time.monotonic()
        while left > 0:
            n = min(left, len(BLOCK))
            self.wfile.write(BLOCK[:n])
            left -= n
            if RATE:
                ahead = (size - left) / RATE - (time.monotonic() - start)
                if ahead > 0:
                    time.sleep(ahead)

    def answer(self, length):
        self.send_response(200)
        self.send_header("Content-Length", str(length))
        self.end_headers()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
