#!/usr/bin/python3
"""A mail server for the delivery tests: aiosmtpd on 127.0.0.1 with AUTH LOGIN on a
plain connection. Each message is saved as <dir>/<n>.eml with its envelope in
<dir>/<n>.env; the chosen port is written to <dir>/port once it listens.

usage: smtp_server.py DIR USER PASSWORD [PORT]"""
import os
import socket
import sys
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


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
        with open(base + ".eml.tmp", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".eml.tmp", base + ".eml")
        os.rename(base + ".env.tmp", base + ".env")
        return "250 OK"


def main():
    folder, user, password = sys.argv[1], sys.argv[2].encode(), sys.argv[3].encode()
    port = int(sys.argv[4]) if len(sys.argv) > 4 else 0
    if port == 0:
        probe = socket.socket()
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
        probe.close()

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = mechanism == "LOGIN" and auth_data.login == user and auth_data.password == password
        return AuthResult(success=ok)

    controller = Controller(Saver(folder), hostname="127.0.0.1", port=port, authenticator=authenticator,
                            auth_require_tls=False, data_size_limit=200 * 1024 * 1024)
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
