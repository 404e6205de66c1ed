#!/usr/bin/env python3
"""A small HTTP server that misbehaves on request, for the transfer tests.

Binds 127.0.0.1 on a free port, prints "PORT <n>" and serves until killed. Bodies are
made of the bytes i % 251, so a test can check every byte it received.

  /file/N          N bytes with Content-Length
  /nolength/N      N bytes, no Content-Length, ended by closing the connection
  /slow/N          N bytes with Content-Length, 1 KB every 20 ms
  /stall/N         Content-Length of 10 MB, N bytes, then silence (at most 60 s)
  /drop/N          Content-Length N, half of it, then the connection is cut
  /error404        a 404 status with an HTML error page
  /status/C/K      status C with an error body of kind K: "html" (a 6 KB page, larger
                   than the size any error-page guess looks at) or "text" (plain text)
  /bomb/NAME       a 100 KB zip archive holding one 100 MB file of zeros
  /endless         bytes without end and without a Content-Length
  /late/S/...      a short text answer after S seconds (a server that hangs)
  /loop            a redirect to itself
  /redirect?to=P   a redirect to P
  /utf8            a UTF-8 text
  /count?path=P    how many requests for P arrived so far
An absolute URI in the request line (a client using this server as its proxy) is
answered "PROXIED <uri>".
"""
import http.server
import socket
import sys
import threading
import time
import urllib.parse

BLOCK = bytes(i % 251 for i in range(251 * 261))  # 65511 bytes, a whole number of periods
COUNTS = {}
LOCK = threading.Lock()
UTF8 = "  Grüße aus Köln: naïve café, 1½ € \r\nzweite Zeile  ".encode("utf-8")
ERROR_PAGE = b"<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>"
REASONS = {404: "Not Found", 500: "Internal Server Error", 403: "Forbidden", 503: "Service Unavailable"}
BOMB = []


def error_body(code, kind):
    reason = REASONS.get(code, "Error")
    if kind == "text":
        return ("%d %s\nThe requested file is not on this server.\n" % (code, reason)).encode()
    filler = "<p>" + "This page explains at length that nothing is here. " * 20 + "</p>\n"
    return ("<!DOCTYPE html>\n<html><head><title>%d %s</title></head><body><h1>%s</h1>\n%s"
            "</body></html>\n" % (code, reason, reason, filler * 6)).encode()


def bomb():
    """A zip of one 100 MB file of zeros: about 100 KB on the wire."""
    if not BOMB:
        import io
        import zipfile
        out = io.BytesIO()
        with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
            with z.open("bomb.txt", "w") as f:
                zeros = bytes(1024 * 1024)
                for _ in range(100):
                    f.write(zeros)
        BOMB.append(out.getvalue())
    return BOMB[0]


def body(n, start=0):
    """Yields the bytes start..n of the pattern in blocks."""
    pos = start
    while pos < n:
        offset = pos % 251
        piece = BLOCK[offset:offset + min(len(BLOCK) - offset, n - pos)]
        yield piece
        pos += len(piece)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def head(self, status, length=None, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True

    def do_GET(self):
        if self.path.startswith("http://") or self.path.startswith("ftp://"):
            text = ("PROXIED " + self.path).encode()
            self.head(200, len(text))
            self.wfile.write(text)
            return
        url = urllib.parse.urlsplit(self.path)
        with LOCK:
            COUNTS[url.path] = COUNTS.get(url.path, 0) + 1
        parts = url.path.strip("/").split("/")
        kind = parts[0]
        n = int(parts[1]) if len(parts) > 1 and parts[1].isdigit() else 0
        try:
            if kind == "file":
                self.head(200, n)
                for piece in body(n):
                    self.wfile.write(piece)
            elif kind == "nolength":
                self.head(200)
                for piece in body(n):
                    self.wfile.write(piece)
            elif kind == "slow":
                self.head(200, n)
                for pos in range(0, n, 1024):
                    self.wfile.write(b"".join(body(min(n, pos + 1024), pos)))
                    self.wfile.flush()
                    time.sleep(0.02)
            elif kind == "stall":
                self.head(200, 10 * 1024 * 1024)
                for piece in body(n):
                    self.wfile.write(piece)
                self.wfile.flush()
                deadline = time.time() + 60
                self.connection.settimeout(0.2)
                while time.time() < deadline:
                    try:
                        if self.connection.recv(1) == b"":
                            break
                    except socket.timeout:
                        pass
            elif kind == "drop":
                self.head(200, n)
                for piece in body(n // 2):
                    self.wfile.write(piece)
                self.wfile.flush()
                self.connection.shutdown(socket.SHUT_RDWR)
            elif kind == "error404":
                self.send_response(404)
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(len(ERROR_PAGE)))
                self.send_header("Connection", "close")
                self.end_headers()
                self.wfile.write(ERROR_PAGE)
            elif kind == "status":
                code = n or 500
                text = error_body(code, parts[2] if len(parts) > 2 else "html")
                self.send_response(code, REASONS.get(code))
                self.send_header("Content-Type",
                                 "text/plain" if text.startswith(b"%d" % code) else "text/html")
                self.send_header("Content-Length", str(len(text)))
                self.send_header("Connection", "close")
                self.end_headers()
                self.wfile.write(text)
            elif kind == "bomb":
                data = bomb()
                self.head(200, len(data))
                self.wfile.write(data)
            elif kind == "endless":
                self.head(200)
                while True:
                    self.wfile.write(BLOCK)
            elif kind == "late":
                time.sleep(n)
                text = b"0.0.1\nhttp://127.0.0.1/late.zip\n"
                self.head(200, len(text))
                self.wfile.write(text)
            elif kind == "loop":
                self.head(302, 0, [("Location", "/loop")])
            elif kind == "redirect":
                target = urllib.parse.parse_qs(url.query).get("to", ["/"])[0]
                self.head(302, 0, [("Location", target)])
            elif kind == "utf8":
                self.head(200, len(UTF8))
                self.wfile.write(UTF8)
            elif kind == "count":
                path = urllib.parse.parse_qs(url.query).get("path", [""])[0]
                with LOCK:
                    text = str(COUNTS.get(path, 0)).encode()
                self.head(200, len(text))
                self.wfile.write(text)
            else:
                self.head(404, 0)
        except (BrokenPipeError, ConnectionResetError):
            pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
