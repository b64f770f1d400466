#!/usr/bin/env python3
"""Loopback proxies for the proxy tests, each on a free port of 127.0.0.1
written to DIR/NAME.port; each request line a proxy receives (and each
Proxy-Authorization scheme offered) is appended to DIR/NAME.log.

  forward  forwards absolute-form requests and tunnels CONNECT, whatever
           the host's name, to 127.0.0.1 at the port asked for
  basic    answers every request with 407 and Proxy-Authenticate: Basic
  sspi     answers every request with 407 and Negotiate and NTLM offered
  once     the same for the first request of a connection, then forwards
  pac      serves /good.pac (through forward, except for direct.invalid),
           /slow.pac (the same after a second) and /broken.pac (a script
           that fails)

Usage: proxy_server.py DIR   (runs until killed)"""
import os
import socket
import socketserver
import sys
import threading
import time

folder = sys.argv[1]
lock = threading.Lock()


def log(name, line):
    with lock, open(os.path.join(folder, name + ".log"), "a") as f:
        f.write(line + "\n")


def read_head(sock):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = sock.recv(65536)
        if not chunk:
            return None, b""
        data += chunk
    head, _, rest = data.partition(b"\r\n\r\n")
    return head.decode("latin-1").split("\r\n"), rest


def pipe(source, target):
    try:
        while True:
            chunk = source.recv(65536)
            if not chunk:
                break
            target.sendall(chunk)
    except OSError:
        pass
    for s in (source, target):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def port_of(authority, default):
    host, _, port = authority.rpartition(":")
    return int(port) if host and port.isdigit() else default


def forward(client, lines, rest):
    method, target = lines[0].split(" ")[:2]
    if method == "CONNECT":
        upstream = socket.create_connection(("127.0.0.1", port_of(target, 443)))
        client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
        first = rest
    else:
        authority = target.split("://", 1)[-1].split("/", 1)[0]
        upstream = socket.create_connection(("127.0.0.1", port_of(authority, 80)))
        first = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + rest
    upstream.sendall(first)
    back = threading.Thread(target=pipe, args=(upstream, client))
    back.start()
    pipe(client, upstream)
    back.join()


class Forward(socketserver.BaseRequestHandler):
    def handle(self):
        lines, rest = read_head(self.request)
        if lines:
            log("forward", lines[0])
            forward(self.request, lines, rest)


def refusing(name, offers, refusals=None):
    """Answers 407 to the first `refusals` requests of a connection (all
    when None), then forwards."""
    class Refuse(socketserver.BaseRequestHandler):
        def handle(self):
            refused = 0
            while True:
                lines, rest = read_head(self.request)
                if not lines:
                    return
                log(name, lines[0])
                for line in lines[1:]:
                    key, _, value = line.partition(":")
                    if key.strip().lower() == "proxy-authorization":
                        log(name, "Proxy-Authorization: " + value.split()[0])
                if refusals is not None and refused == refusals:
                    forward(self.request, lines, rest)
                    return
                refused += 1
                body = b"<html>proxy says no</html>"
                head = "HTTP/1.1 407 Proxy Authentication Required\r\n"
                head += "".join("Proxy-Authenticate: %s\r\n" % o for o in offers)
                head += "Content-Length: %d\r\n\r\n" % len(body)
                self.request.sendall(head.encode() + body)
    return Refuse


class Pac(socketserver.BaseRequestHandler):
    def handle(self):
        lines, _ = read_head(self.request)
        if not lines:
            return
        log("pac", lines[0])
        path = lines[0].split(" ")[1]
        if path == "/slow.pac":
            time.sleep(1)
            path = "/good.pac"
        scripts = {
            "/good.pac": 'function FindProxyForURL(url, host) {\n'
                         '  if (host == "direct.invalid") return "DIRECT";\n'
                         '  return "PROXY 127.0.0.1:%d; DIRECT";\n}\n' % servers["forward"].server_address[1],
            "/broken.pac": "function FindProxyForURL(url, host) { return noSuchFunction(host); }\n",
        }
        if path in scripts:
            body = scripts[path].encode()
            head = "HTTP/1.1 200 OK\r\nContent-Type: application/x-ns-proxy-autoconfig\r\n"
        else:
            body = b""
            head = "HTTP/1.1 404 Not Found\r\n"
        head += "Content-Length: %d\r\nConnection: close\r\n\r\n" % len(body)
        self.request.sendall(head.encode() + body)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


servers = {
    "forward": Server(("127.0.0.1", 0), Forward),
    "basic": Server(("127.0.0.1", 0), refusing("basic", ["Basic realm=\"corp\""])),
    "sspi": Server(("127.0.0.1", 0), refusing("sspi", ["Negotiate", "NTLM"])),
    "once": Server(("127.0.0.1", 0), refusing("once", ["Negotiate", "NTLM"], 1)),
    "pac": Server(("127.0.0.1", 0), Pac),
}
for name, server in servers.items():
    threading.Thread(target=server.serve_forever, daemon=True).start()
for name, server in servers.items():
    with open(os.path.join(folder, name + ".port.new"), "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.replace(os.path.join(folder, name + ".port.new"), os.path.join(folder, name + ".port"))
threading.Event().wait()
