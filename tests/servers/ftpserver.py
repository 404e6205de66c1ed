#!/usr/bin/env python3
"""An FTP server over a folder for the transfer tests: anonymous read access, and the
user "reader" with the password "secret pass". Binds 127.0.0.1 on a free port, prints
"PORT <n>" and serves until killed. Usage: ftpserver.py FOLDER"""
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    folder = sys.argv[1]
    logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(folder, perm="elr")
    authorizer.add_user("reader", "secret pass", folder, perm="elr")
    handler = FTPHandler
    handler.authorizer = authorizer
    # A refused login answers at once instead of after the usual three seconds.
    handler.auth_failed_timeout = 0.05
    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
