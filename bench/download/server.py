#!/usr/bin/env python3
"""Loopback HTTP server for the download benchmark.

GET /<n> answers 200 with a Content-Length body of n bytes, streamed from one
small repeating block, so memory stays flat whatever n is. Prints the port.
"""
import socket
import sys
import threading

BLOCK = bytes(range(256)) * 4096  # 1 MiB


def serve(conn):
    with conn:
        data = b""
        while True:
            while b"\r\n\r\n" not in data:
                chunk = conn.recv(65536)
                if not chunk:
                    return
                data += chunk
            head, data = data.split(b"\r\n\r\n", 1)
            target = head.split(b"\r\n", 1)[0].split(b" ")[1]
            try:
                size = int(target.strip(b"/").split(b"/")[-1])
            except ValueError:
                conn.sendall(b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")
                continue
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\n"
                         b"Content-Length: %d\r\n\r\n" % size)
            view = memoryview(BLOCK)
            left = size
            while left > 0:
                n = min(left, len(view))
                conn.sendall(view[:n])
                left -= n


def main():
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", int(sys.argv[1]) if len(sys.argv) > 1 else 0))
    listener.listen(8)
    print(listener.getsockname()[1], flush=True)
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve, args=(conn,), daemon=True).start()


if __name__ == "__main__":
    main()
