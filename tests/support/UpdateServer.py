#!/usr/bin/env python3
"""The maker's update server for the tests: serves a folder over HTTP on 127.0.0.1 at a free
port (prints "PORT <n>" first), writes one line per request, and cuts short every file whose
address is a line of the folder's ".cut": it announces the whole length, sends half of the
bytes and closes the connection, as a broken connection would.

  UpdateServer.py FOLDER
"""
import functools
import http.server
import os
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, fmt, *args):
        sys.stdout.write((fmt % args) + "\n")
        sys.stdout.flush()

    def cut(self):
        try:
            with open(os.path.join(self.directory, ".cut")) as listing:
                return {line.strip() for line in listing if line.strip()}
        except OSError:
            return set()

    def do_GET(self):
        if self.path in self.cut():
            with open(self.translate_path(self.path), "rb") as served:
                data = served.read()
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data[: len(data) // 2])
            self.wfile.flush()
            self.close_connection = True
            return
        super().do_GET()


def main():
    handler = functools.partial(Handler, directory=sys.argv[1])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
