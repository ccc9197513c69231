#!/usr/bin/env python3
"""A forward HTTP proxy on the loopback for the tests, as an office proxy works: a request with an
absolute URL is passed on to its server, CONNECT opens a tunnel (https stays end to end). Servers on
the loopback only. A plain request for a path ("GET /proxy.pac") gets a proxy auto-configuration
script that sends everything through the port it was asked on. Each request is logged as
"PORT METHOD TARGET", PORT being the one it came in on.

usage: forward_proxy.py LOG PORT...
"""
import select
import socket
import sys
import threading
from urllib.parse import urlsplit

LOOPBACK = ("127.0.0.1", "localhost", "::1")
log_lock = threading.Lock()


def pipe(one, other):
    """Copies both ways until either side closes or is quiet for a minute."""
    while True:
        ready, _, _ = select.select([one, other], [], [], 60)
        if not ready:
            return
        for source in ready:
            data = source.recv(65536)
            if not data:
                return
            (other if source is one else one).sendall(data)


def serve(client, port, log):
    with client:
        head = b""
        while b"\r\n\r\n" not in head and len(head) < 65536:
            data = client.recv(65536)
            if not data:
                return
            head += data
        head, _, rest = head.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        method, target, version = (lines[0].split(" ") + ["", "", ""])[:3]
        with log_lock, open(log, "a") as out:
            out.write(f"{port} {method} {target}\n")
        if target.startswith("/"):
            script = f'function FindProxyForURL(url, host) {{ return "PROXY 127.0.0.1:{port}"; }}\n'.encode()
            client.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/x-ns-proxy-autoconfig\r\n"
                           b"Connection: close\r\nContent-Length: %d\r\n\r\n%s" % (len(script), script))
            return
        if method == "CONNECT":
            host, _, server_port = target.rpartition(":")
            path = None
        else:
            url = urlsplit(target)
            host, server_port = url.hostname or "", url.port or 80
            path = (url.path or "/") + (f"?{url.query}" if url.query else "")
        if host.strip("[]") not in LOOPBACK:
            client.sendall(b"HTTP/1.1 403 Forbidden\r\nConnection: close\r\nContent-Length: 0\r\n\r\n")
            return
        try:
            upstream = socket.create_connection((host.strip("[]"), int(server_port)), timeout=30)
        except OSError:
            client.sendall(b"HTTP/1.1 502 Bad Gateway\r\nConnection: close\r\nContent-Length: 0\r\n\r\n")
            return
        with upstream:
            if path is None:
                client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            else:
                headers = [h for h in lines[1:] if not h.lower().startswith(("proxy-connection:", "connection:"))]
                request = [f"{method} {path} {version}"] + headers + ["Connection: close", "", ""]
                upstream.sendall("\r\n".join(request).encode("latin-1"))
            if rest:
                upstream.sendall(rest)
            pipe(client, upstream)


def listen(port, log):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(16)
    while True:
        client, _ = server.accept()
        threading.Thread(target=serve, args=(client, port, log), daemon=True).start()


if __name__ == "__main__":
    log_file, ports = sys.argv[1], [int(p) for p in sys.argv[2:]]
    for p in ports[1:]:
        threading.Thread(target=listen, args=(p, log_file), daemon=True).start()
    listen(ports[0], log_file)
