#!/usr/bin/python3
"""Stands in for the version server in the Win32 tests: an HTTP server on 127.0.0.1
whose first path part chooses the reply to /<mode>/versions/vocatrack.txt:

  newer     version=2.05 with a web page
  same      version=2.01 with a web page
  file      version=2.05 with info=file:///c:/windows/system32/calc.exe
  cmd       version=2.05 with info=cmd.exe /c calc
  beyond    version=9.99 placed after the first 511 bytes of the reply
  noinfo    version=2.05 without info=
  slow      headers, then nothing for a long time (the client gives up or cancels)

Replies carry no Content-Length: the body ends when the server closes, as HTTP/1.0
allows. Every request line and Host header is logged; the port is written to the
port file once the server listens. With --tls CA_DIR it speaks HTTPS, its certificate
(--cert good or other) signed by that test authority (tests/peers/test_ca.py).
"""
import argparse
import http.server
import os
import sys

import local_server
import time

PAGE = "http://www.example.test/vocatrack/new.html"
BODIES = {
    "newer": "version=2.05&info=" + PAGE + "&size=1\r\n",
    "same": "version=2.01&info=" + PAGE + "\r\n",
    "file": "version=2.05&info=file:///c:/windows/system32/calc.exe\r\n",
    "cmd": "version=2.05&info=cmd.exe /c calc\r\n",
    "beyond": "x" * 600 + "version=9.99&info=" + PAGE,
    "noinfo": "version=2.05\r\n",
}
SLOW_SECONDS = 30


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        with open(self.server.log_path, "a") as log:
            log.write("%s %s|%s\n" % (self.command, self.path, self.headers.get("Host", "")))
        parts = self.path.split("/", 2)
        mode = parts[1] if len(parts) == 3 else ""
        if parts[2:] != ["versions/vocatrack.txt"]:
            self.send_error(404)
            return
        if mode == "slow":
            self.send_response(200)
            self.end_headers()
            self.wfile.flush()
            started = time.monotonic()
            while time.monotonic() - started < SLOW_SECONDS:
                time.sleep(0.1)
            return
        body = BODIES.get(mode)
        if body is None:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        # A header that looks like the answer: the client must read the body.
        self.send_header("X-Note", "version=7.00")
        self.end_headers()
        self.wfile.write(body.encode())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--tls")
    parser.add_argument("--cert", default="good")
    args = parser.parse_args()
    context = None
    if args.tls:
        sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "peers"))
        import test_ca
        context = test_ca.server_context(os.path.dirname(args.port_file), args.cert, args.tls)
    local_server.serve(Handler, args.port_file, args.log, tls_context=context)


if __name__ == "__main__":
    main()
