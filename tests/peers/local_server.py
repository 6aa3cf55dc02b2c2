"""What the tests' local HTTP servers share: a threading server on 127.0.0.1 on a
port the system chooses (in HTTPS when given a TLS context), an emptied request log,
and the port written to the port file (atomically) once the server listens."""
import http.server
import os
import socketserver


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def serve(handler, port_file, log_path, tls_context=None, **attributes):
    server = Server(("127.0.0.1", 0), handler)
    if tls_context is not None:
        server.socket = tls_context.wrap_socket(server.socket, server_side=True)
    server.log_path = log_path
    for name, value in attributes.items():
        setattr(server, name, value)
    open(log_path, "w").close()
    temporary = port_file + ".tmp"
    with open(temporary, "w") as port:
        port.write(str(server.server_address[1]))
    os.replace(temporary, port_file)
    server.serve_forever()
