#!/usr/bin/python3
"""An FTP server for the delivery tests: pyftpdlib on 127.0.0.1 with one user whose
home is ROOT (full rights). Writes ROOT/../ftp-ready once it listens.

With "tls", FTP over TLS (AUTH TLS) that requires TLS on the control and the data
connections, with a certificate of KIND (good, other, expired: see test_ca.py) from
the test authority kept in CA_DIR.

usage: ftp_server.py ROOT USER PASSWORD PORT [tls KIND CA_DIR]"""
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, user, password, port = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    folder = os.path.dirname(os.path.abspath(root))
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    if len(sys.argv) > 5 and sys.argv[5] == "tls":
        sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
        import test_ca
        kind, ca_folder = sys.argv[6], sys.argv[7]
        test_ca.server_context(folder, kind, ca_folder)  # writes the chain and key files
        handler = TLS_FTPHandler
        handler.certfile = os.path.join(folder, "server-chain.pem")
        handler.keyfile = os.path.join(folder, "server-key.pem")
        handler.tls_control_required = True
        handler.tls_data_required = True
    else:
        handler = FTPHandler
    handler.authorizer = authorizer
    handler.passive_ports = range(40000, 40100)
    server = FTPServer(("127.0.0.1", port), handler)
    ready = os.path.join(folder, "ftp-ready")
    with open(ready, "w") as f:
        f.write("ready")
    server.serve_forever()


if __name__ == "__main__":
    main()
