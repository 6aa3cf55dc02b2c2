#!/usr/bin/python3
"""A mail server that offers STARTTLS and then breaks the TLS session, one way per
run: `huge` announces a record longer than the protocol allows and keeps sending,
`truncated` sends the start of a record and closes, `garbage` answers the client's
hello with bytes that are no TLS at all. Serves connections on 127.0.0.1 until
killed; the port is written to <dir>/port once it listens.

usage: hostile_tls_server.py DIR huge|truncated|garbage"""
import os
import socket
import sys


def serve(connection, mode):
    connection.settimeout(30)
    reader = connection.makefile("rb")
    connection.sendall(b"220 hostile.example ESMTP\r\n")
    for _ in range(10):
        line = reader.readline()
        if not line:
            return
        word = line[:4].upper()
        if word in (b"EHLO", b"HELO"):
            connection.sendall(b"250-hostile.example\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n")
        elif word == b"STAR":
            connection.sendall(b"220 go ahead\r\n")
            break
        else:
            connection.sendall(b"502 no\r\n")
    hello = connection.recv(65536)  # the client's hello
    if not hello:
        return
    if mode == "huge":
        # A handshake record of 65,535 bytes, far over 2^14 + 2048.
        connection.sendall(b"\x16\x03\x03\xff\xff")
        chunk = b"\x00" * 4096
        for _ in range(16):
            connection.sendall(chunk)
    elif mode == "truncated":
        connection.sendall(b"\x16\x03\x03\x00\x40\x02\x00\x00")
    else:
        connection.sendall(b"HTTP/1.0 400 Bad Request\r\n\r\n" * 20)
    connection.shutdown(socket.SHUT_WR)
    try:
        while connection.recv(4096):
            pass
    except OSError:
        pass


def main():
    folder, mode = sys.argv[1], sys.argv[2]
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(4)
    with open(os.path.join(folder, "port.tmp"), "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.rename(os.path.join(folder, "port.tmp"), os.path.join(folder, "port"))
    while True:
        connection, _ = listener.accept()
        try:
            serve(connection, mode)
        except OSError:
            pass
        finally:
            connection.close()


if __name__ == "__main__":
    main()
