"""Listeners of the world: one threaded HTTP server per address and scheme,
every address of a role on the same port, so that one host name pinned to
any of the addresses reaches the same service."""

import errno
import http.server
import socket
import socketserver
import ssl
import threading


def send(h, code, body=b"", headers=()):
    """A whole answer: the given headers, its Content-Length and the body
    (left out for HEAD)."""
    data = body.encode() if isinstance(body, str) else body
    h.send_response(code)
    for name, value in headers:
        h.send_header(name, value)
    h.send_header("Content-Length", str(len(data)))
    h.end_headers()
    if h.command != "HEAD" and data:
        h.wfile.write(data)


def drop(h):
    """Ends the connection at once: no answer, or the rest of one, follows."""
    h.close_connection = True
    try:
        h.connection.shutdown(socket.SHUT_RDWR)
    except OSError:
        pass


class _Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 256

    def __init__(self, address, handler, role, scheme, tls_context):
        self.role = role
        self.scheme = scheme
        self.tls_context = tls_context
        super().__init__(address, handler, bind_and_activate=True)

    def server_bind(self):
        # HTTPServer.server_bind looks the host name up; the address is enough.
        socketserver.TCPServer.server_bind(self)
        self.server_name, self.server_port = self.server_address[:2]

    def finish_request(self, request, client_address):
        # The TLS handshake runs on the connection's own thread so that a slow
        # or broken client never holds up the accepting thread.
        if self.tls_context is not None:
            try:
                request.settimeout(30)
                request = self.tls_context.wrap_socket(request, server_side=True)
                request.settimeout(None)
            except (OSError, ssl.SSLError):
                return
        self.RequestHandlerClass(request, client_address, self)

    def handle_error(self, request, client_address):
        pass  # clients that go away mid-answer are normal here


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    @property
    def local_address(self):
        return self.connection.getsockname()[0]

    def _dispatch(self):
        try:
            self.server.role.handle(self)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError, socket.timeout):
            self.close_connection = True

    do_GET = do_HEAD = do_POST = do_PUT = do_DELETE = _dispatch


def _tls_context(tls):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(tls["cert"], tls["key"])
    context.set_alpn_protocols(["http/1.1"])
    return context


def _bind_all(addresses, port, role, scheme, tls_context):
    """Binds every address to one port (`port`, or a free one when 0)."""
    for _ in range(50):
        servers = []
        try:
            for address in addresses:
                server = _Server((address, port if not servers else servers[0].server_port),
                                 Handler, role, scheme, tls_context)
                servers.append(server)
            return servers
        except OSError as error:
            for server in servers:
                server.server_close()
            if error.errno != errno.EADDRINUSE or port != 0:
                raise
    raise OSError(errno.EADDRINUSE, "no port is free on every address")


class Listeners:
    """The HTTP and HTTPS listeners of one role."""

    def __init__(self, role, addresses, http_port=0, https_port=0, tls=None):
        self.servers = {"http": _bind_all(addresses, http_port, role, "http", None)}
        if tls is not None:
            self.servers["https"] = _bind_all(addresses, https_port, role, "https",
                                              _tls_context(tls))
        self.threads = []

    def port(self, scheme):
        servers = self.servers.get(scheme)
        return servers[0].server_port if servers else 0

    def start(self):
        for servers in self.servers.values():
            for server in servers:
                thread = threading.Thread(target=server.serve_forever, daemon=True,
                                          kwargs={"poll_interval": 0.2})
                thread.start()
                self.threads.append(thread)

    def stop(self):
        # Each shutdown waits for its server's next poll; wait for all at once.
        servers = [server for group in self.servers.values() for server in group]
        stoppers = [threading.Thread(target=server.shutdown) for server in servers]
        for stopper in stoppers:
            stopper.start()
        for stopper in stoppers:
            stopper.join()
        for server in servers:
            server.server_close()
