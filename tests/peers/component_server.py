#!/usr/bin/python3
"""Stands in for the component servers in the Win32 tests: an HTTP server on
127.0.0.1 whose first path part chooses how it answers a setup program request
/<mode>/components/<name>.exe, the body being the bytes of one given file:

  files     the file, with its Content-Length
  nolength  the file, without a Content-Length (the end of the body is the close)
  tiny      five bytes, Content-Length 5
  cut       the first half of the file, with the whole file's Content-Length, then the
            connection is closed
  missing   404
  slow      a long body (Content-Length 4 MB) in 2,048-byte pieces, one every 50 ms
  wrongdigest  the file, with a digest beside it that is not the file's
  nodigest     the file, with no digest beside it

Beside each program, /<mode>/components/<name>.exe.sha256 is the SHA-256 of the body
served (in sha256sum's form), except in the last two modes. With --tls CA_DIR the
server speaks HTTPS with a certificate for 127.0.0.1 and localhost signed by that
test authority (tests/peers/test_ca.py).

Every request path is appended to the log file as it arrives; the port chosen by
the system is written to the port file once the server listens.
"""
import argparse
import hashlib
import http.server
import os
import sys

import local_server
import time

SLOW_LENGTH = 4 * 1024 * 1024
SLOW_PIECE = 2048
SLOW_PAUSE = 0.05
SLOW_LIMIT_SECONDS = 120


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        with open(self.server.log_path, "a") as log:
            log.write(self.path + "\n")
        parts = self.path.split("/")
        if len(parts) == 4 and parts[2] == "components" and parts[3].endswith(".exe.sha256"):
            self.send_digest(parts[1], parts[3][: -len(".sha256")])
            return
        if len(parts) != 4 or parts[2] != "components" or not parts[3].endswith(".exe"):
            self.send_error(404)
            return
        mode = parts[1]
        if mode in ("wrongdigest", "nodigest"):
            mode = "files"
        if mode == "files":
            self.send_body(self.server.body, with_length=True)
        elif mode == "nolength":
            self.send_body(self.server.body, with_length=False)
        elif mode == "cut":
            self.send_cut(self.server.body)
        elif mode == "tiny":
            self.send_body(b"tiny!", with_length=True)
        elif mode == "slow":
            self.send_slowly()
        else:
            self.send_error(404)

    def send_digest(self, mode, name):
        bodies = {"files": self.server.body, "nolength": self.server.body, "cut": self.server.body,
                  "tiny": b"tiny!", "wrongdigest": self.server.body + b"x"}
        if mode not in bodies:
            self.send_error(404)
            return
        text = "%s  %s\n" % (hashlib.sha256(bodies[mode]).hexdigest(), name)
        self.send_body(text.encode(), with_length=True)

    def send_body(self, body, with_length):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if with_length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_cut(self, body):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[: len(body) // 2])
        self.wfile.flush()
        self.close_connection = True

    def send_slowly(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(SLOW_LENGTH))
        self.end_headers()
        sent = 0
        started = time.monotonic()
        try:
            while sent < SLOW_LENGTH and time.monotonic() - started < SLOW_LIMIT_SECONDS:
                self.wfile.write(b"\0" * SLOW_PIECE)
                self.wfile.flush()
                sent += SLOW_PIECE
                time.sleep(SLOW_PAUSE)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client cancelled


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--file", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--tls")
    args = parser.parse_args()
    context = None
    if args.tls:
        sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "peers"))
        import test_ca
        context = test_ca.server_context(os.path.dirname(args.port_file), "good", args.tls)
    with open(args.file, "rb") as body:
        local_server.serve(Handler, args.port_file, args.log, body=body.read(), tls_context=context)


if __name__ == "__main__":
    main()
