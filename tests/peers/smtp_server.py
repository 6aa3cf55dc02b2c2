#!/usr/bin/python3
"""A mail server for the delivery tests: aiosmtpd on 127.0.0.1 with AUTH LOGIN, on a
plain connection, with STARTTLS offered, or in TLS from the first byte; the server's
certificate (test_ca.py: good, other or expired) is signed by the test authority of
CA_DIR. Each message is saved as <dir>/<n>.eml with its envelope in <dir>/<n>.env
(and in <dir>/<n>.tls whether it came over TLS);
the chosen port is written to <dir>/port once it listens.

usage: smtp_server.py DIR USER PASSWORD [PORT] [plain|starttls|implicit] [good|other|expired] [CA_DIR]"""
import os
import socket
import sys
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult

import test_ca


class Saver:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        with open(base + ".env.tmp", "w") as f:
            f.write("from %s\nto %s\nauth %s\n" % (envelope.mail_from, "|".join(envelope.rcpt_tos),
                                                  session.authenticated))
        with open(base + ".tls", "w") as f:
            secure = session.ssl is not None or server.transport.get_extra_info("ssl_object") is not None
            f.write("1" if secure else "0")
        with open(base + ".eml.tmp", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".eml.tmp", base + ".eml")
        os.rename(base + ".env.tmp", base + ".env")
        return "250 OK"


def main():
    folder, user, password = sys.argv[1], sys.argv[2].encode(), sys.argv[3].encode()
    port = int(sys.argv[4]) if len(sys.argv) > 4 else 0
    mode = sys.argv[5] if len(sys.argv) > 5 else "plain"
    kind = sys.argv[6] if len(sys.argv) > 6 else "good"
    ca_folder = sys.argv[7] if len(sys.argv) > 7 else os.path.join(folder, "ca")
    tls = {}
    if mode == "starttls":
        tls = {"tls_context": test_ca.server_context(folder, kind, ca_folder), "require_starttls": False}
    elif mode == "implicit":
        tls = {"ssl_context": test_ca.server_context(folder, kind, ca_folder)}
    if port == 0:
        probe = socket.socket()
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
        probe.close()

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = mechanism == "LOGIN" and auth_data.login == user and auth_data.password == password
        return AuthResult(success=ok)

    controller = Controller(Saver(folder), hostname="127.0.0.1", port=port, authenticator=authenticator,
                            auth_require_tls=False, data_size_limit=200 * 1024 * 1024, **tls)
    controller.start()
    with open(os.path.join(folder, "port.tmp"), "w") as f:
        f.write(str(port))
    os.rename(os.path.join(folder, "port.tmp"), os.path.join(folder, "port"))
    try:
        while True:
            time.sleep(3600)
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
