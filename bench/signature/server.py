#!/usr/bin/env python3
"""Loopback HTTP server for the signature benchmark.

GET /<n> answers 200 with a body of n bytes of the download benchmark's
pattern (its 1 MiB block, repeated), GET /<n>.minisig with the file given as
the first argument. Prints the port.
Usage: server.py SIGNATURE_FILE
"""
import http.server
import sys

BLOCK = memoryview(bytes(range(256)) * 4096)
with open(sys.argv[1], "rb") as f:
    SIGNATURE = f.read()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        name = self.path.strip("/")
        if name.endswith(".minisig"):
            self.answer(len(SIGNATURE))
            self.wfile.write(SIGNATURE)
            return
        left = int(name)
        self.answer(left)
        while left > 0:
            n = min(left, len(BLOCK))
            self.wfile.write(BLOCK[:n])
            left -= n

    def answer(self, length):
        self.send_response(200)
        self.send_header("Content-Length", str(length))
        self.end_headers()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
