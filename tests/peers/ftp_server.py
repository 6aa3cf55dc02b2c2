#!/usr/bin/python3
"""An FTP server for the delivery tests: pyftpdlib on 127.0.0.1 with one user whose
home is ROOT (full rights). Writes ROOT/../ftp-ready once it listens.

usage: ftp_server.py ROOT USER PASSWORD PORT"""
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, user, password, port = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.passive_ports = range(40000, 40100)
    server = FTPServer(("127.0.0.1", port), handler)
    ready = os.path.join(os.path.dirname(os.path.abspath(root)), "ftp-ready")
    with open(ready, "w") as f:
        f.write("ready")
    server.serve_forever()


if __name__ == "__main__":
    main()
