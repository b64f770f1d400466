#!/usr/bin/env python3
"""An HTTPS file server for the tests, on localhost: HTTP/1.1 with kept-alive
connections, TLS by Python's ssl module with the given certificate. Every
request is answered with the file of ROOT named like the last component of
its path (404 when there is none). Prints its port, then serves until killed.
With CERT "-" it speaks plain HTTP, for a client that expects TLS.
Usage: tls_server.py CERT KEY ROOT [PORT]   (PORT: default any free one)
"""
import http.server
import os
import ssl
import sys

CERT, KEY, ROOT = sys.argv[1:4]
PORT = int(sys.argv[4]) if len(sys.argv) > 4 else 0


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def translate_path(self, path):
        return os.path.join(ROOT, os.path.basename(path.split("?")[0]))

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", PORT), Handler)
if CERT != "-":
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(CERT, KEY)
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
