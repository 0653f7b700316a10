"""The content-delivery network: files of the world's root served with HEAD
and GET, single byte ranges, redirects, and faults switched per file and per
listening address through the control paths under /__world/.

Paths:
  /files/NAME               the file NAME of the root
  /redirect/N/NAME          N redirects (302), then /files/NAME
  /to/ADDRESS/NAME          a redirect to /files/NAME on another world address
  /__world/ping             {"ok": true}
  /__world/faults           POST a rule or a list of rules (see FAULTS)
  /__world/clear            POST {"file": NAME}: its rules and journal go
                            (without "file": everything)
  /__world/journal?file=N   the requests answered for N, in order
  /__world/connections?file=N[&method=M]
                            per world address, how many client connections
                            asked for N (with method M only)
  /__world/echo             POST: the request's headers and body sent back

A rule: {"file": NAME, "fault": KIND, "address": A (optional: only requests
to that world address), "method": M (optional: only GET or only HEAD),
"times": T (optional: only the next T requests it applies to), and the
kind's parameters}:
  rate {bytes_per_second}     per-connection rate limit
  stall {after, seconds}      body stops after `after` bytes, the connection
                              stays silent for `seconds` (default 30)
  drop {after}                connection closed after `after` body bytes
  corrupt {offset}            the byte at that file offset is inverted
  ignore_range                200 with the whole file for a range request
  status_416 {open_ended}     416 for bounded ranges ("bytes=a-b"), for
                              "bytes=a-" too when open_ended is true
  status {code}               that status for any request
  head_no_length              HEAD answers without Content-Length
  lower_case_headers          "content-length" and "content-range"
  slow_first_byte {seconds}   the answer starts after a delay
  size {size}                 the file seems `size` bytes long (cut, or
                              padded with zeros)
"""

import email.utils
import json
import os
import re
import ssl
import threading
import time
import urllib.parse

import world_server

CHUNK = 256 * 1024
RANGE_RE = re.compile(r"^bytes=(\d*)-(\d*)$")

def _covers(ctx, offset):
    first, last = ctx["range"] if ctx["range"] is not None else (0, None)
    return first <= int(offset) and (last is None or int(offset) <= last)


# Fault kinds, and whether one applies to a request: `ctx` has the method and
# the parsed range (None without one, else (first, last-or-None)).
FAULTS = {
    "rate": lambda ctx: ctx["method"] == "GET",            # bytes_per_second
    "stall": lambda ctx: ctx["method"] == "GET",           # after, seconds
    "drop": lambda ctx: ctx["method"] == "GET",            # after
    "corrupt": lambda ctx: ctx["method"] == "GET" and _covers(ctx, ctx["rule"]["offset"]),
    "ignore_range": lambda ctx: ctx["range"] is not None,
    "status_416": lambda ctx: ctx["range"] is not None and (
        ctx["range"][1] is not None or ctx["rule"].get("open_ended", False)),
    "status": lambda ctx: True,                            # code
    "head_no_length": lambda ctx: ctx["method"] == "HEAD",
    "lower_case_headers": lambda ctx: True,
    "slow_first_byte": lambda ctx: True,                   # seconds
    "size": lambda ctx: True,                              # size
}


class FaultTable:
    """Rules {"file", "fault", "address"?, "times"?, parameters}. A rule with
    a positive "times" applies to that many requests, then no more."""

    def __init__(self):
        self._lock = threading.Lock()
        self._rules = []

    def add(self, rule):
        if not isinstance(rule, dict) or rule.get("fault") not in FAULTS or "file" not in rule:
            raise ValueError("a rule needs a known 'fault' and a 'file'")
        rule = dict(rule)
        rule.setdefault("times", -1)
        with self._lock:
            self._rules.append(rule)

    def clear(self, file=None):
        with self._lock:
            self._rules = [r for r in self._rules if file is not None and r["file"] != file]

    def size_of(self, file, address):
        with self._lock:
            for rule in self._rules:
                if (rule["fault"] == "size" and rule["file"] == file and rule["times"] != 0
                        and rule.get("address", address) == address):
                    return int(rule["size"])
        return None

    def take(self, file, address, method, byte_range):
        """The faults for one request, by kind, each use counted."""
        taken = {}
        with self._lock:
            for rule in self._rules:
                kind = rule["fault"]
                if (kind in taken or rule["file"] != file or rule["times"] == 0
                        or rule.get("address", address) != address
                        or rule.get("method", method) != method):
                    continue
                if not FAULTS[kind]({"method": method, "range": byte_range, "rule": rule}):
                    continue
                if rule["times"] > 0:
                    rule["times"] -= 1
                taken[kind] = rule
        return taken


class Journal:
    """What was asked of each file, for the tests to check."""

    def __init__(self):
        self._lock = threading.Lock()
        self._entries = {}

    def add(self, file, entry):
        with self._lock:
            entries = self._entries.setdefault(file, [])
            if len(entries) < 10000:
                entries.append(entry)

    def get(self, file):
        with self._lock:
            return [dict(entry) for entry in self._entries.get(file, [])]

    def clear(self, file=None):
        with self._lock:
            if file is None:
                self._entries.clear()
            else:
                self._entries.pop(file, None)


def _parse_range(header, size):
    """(first, last-or-None) of a single "bytes=" range, or None when the
    header is absent or not a single range we serve (then the whole file)."""
    if not header:
        return None
    match = RANGE_RE.match(header.strip())
    if not match or (not match.group(1) and not match.group(2)):
        return None
    if not match.group(1):  # suffix range: the last n bytes
        n = int(match.group(2))
        return (max(size - n, 0), None)
    first = int(match.group(1))
    last = int(match.group(2)) if match.group(2) else None
    if last is not None and last < first:
        return None
    return (first, last)


class CdnRole:
    name = "cdn"

    def __init__(self, root):
        self.root = root
        self.faults = FaultTable()
        self.journal = Journal()
        self.listeners = None
        self.stopping = threading.Event()

    # Routing ---------------------------------------------------------------

    def handle(self, h):
        path, _, query = h.path.partition("?")
        parts = [urllib.parse.unquote(p) for p in path.split("/")[1:]]
        if parts and parts[0] == "__world":
            return self._control(h, parts[1:], urllib.parse.parse_qs(query))
        if h.command not in ("GET", "HEAD"):
            return world_server.send(h, 405, b"method not allowed\n")
        if len(parts) == 2 and parts[0] == "files":
            return self._serve_file(h, parts[1])
        if len(parts) == 3 and parts[0] == "redirect" and parts[1].isdigit():
            hops = int(parts[1])
            target = "/redirect/%d/%s" % (hops - 1, parts[2]) if hops > 1 else "/files/" + parts[2]
            return world_server.send(h, 302, headers=[("Location", target)])
        if len(parts) == 3 and parts[0] == "to":
            scheme = h.server.scheme
            target = "%s://%s:%d/files/%s" % (scheme, parts[1], self.listeners.port(scheme),
                                             parts[2])
            return world_server.send(h, 302, headers=[("Location", target)])
        return world_server.send(h, 404, b"not found\n")

    def _control(self, h, parts, query):
        length = int(h.headers.get("Content-Length") or 0)
        body = h.rfile.read(length) if length else b""
        try:
            if parts == ["ping"]:
                answer = {"ok": True}
            elif parts == ["echo"]:
                # The request as received: its headers, a blank line, its body.
                echo = str(h.headers).encode("latin-1") + b"\r\n" + body
                return world_server.send(h, 200, echo, headers=[("Content-Type", "text/plain")])
            elif parts == ["faults"] and h.command == "POST":
                rules = json.loads(body or b"[]")
                for rule in rules if isinstance(rules, list) else [rules]:
                    self.faults.add(rule)
                answer = {"ok": True}
            elif parts == ["clear"] and h.command == "POST":
                file = (json.loads(body) if body else {}).get("file")
                self.faults.clear(file)
                self.journal.clear(file)
                answer = {"ok": True}
            elif parts == ["journal"]:
                answer = self.journal.get(query.get("file", [""])[0])
            elif parts == ["connections"]:
                seen = {}
                method = query.get("method", [None])[0]
                for entry in self.journal.get(query.get("file", [""])[0]):
                    if method is None or entry["method"] == method:
                        seen.setdefault(entry["address"], set()).add(entry["client_port"])
                answer = {address: len(ports) for address, ports in seen.items()}
            else:
                return world_server.send(h, 404, b"unknown control path\n")
        except (ValueError, KeyError, TypeError, AttributeError) as error:
            return world_server.send(h, 400, (str(error) + "\n").encode())
        world_server.send(h, 200, json.dumps(answer).encode(),
                     headers=[("Content-Type", "application/json")])

    # Files -----------------------------------------------------------------

    def _serve_file(self, h, name):
        path = os.path.join(self.root, name)
        if name in ("", ".", "..") or "/" in name or not os.path.isfile(path):
            return world_server.send(h, 404, b"not found\n")
        address = h.local_address
        real_size = os.path.getsize(path)
        size = self.faults.size_of(name, address)
        size = real_size if size is None else size
        byte_range = _parse_range(h.headers.get("Range"), size)
        faults = self.faults.take(name, address, h.command, byte_range)
        entry = {"method": h.command, "address": address, "scheme": h.server.scheme,
                 "client_port": h.client_address[1],
                 "version": h.request_version, "range": h.headers.get("Range"),
                 "status": 0, "sent": 0}
        # In the journal from the start, so that a stalled answer shows.
        self.journal.add(name, entry)
        self._answer(h, name, path, real_size, size, byte_range, faults, entry)

    def _answer(self, h, name, path, real_size, size, byte_range, faults, entry):
        if "slow_first_byte" in faults:
            self._sleep(float(faults["slow_first_byte"].get("seconds", 2)))
        if "status" in faults:
            entry["status"] = int(faults["status"].get("code", 500))
            return world_server.send(h, entry["status"], b"fault\n")
        if "ignore_range" in faults:
            byte_range = None
        if byte_range is not None and (byte_range[0] >= size or "status_416" in faults):
            entry["status"] = 416
            return world_server.send(h, 416, b"range not satisfiable\n",
                                headers=[("Content-Range", "bytes */%d" % size)])
        first, last = 0, size - 1
        if byte_range is not None:
            first = byte_range[0]
            last = size - 1 if byte_range[1] is None else min(byte_range[1], size - 1)
        length = max(last - first + 1, 0)
        entry["status"] = 206 if byte_range is not None else 200
        h.send_response(entry["status"])
        lower = "lower_case_headers" in faults
        if not (h.command == "HEAD" and "head_no_length" in faults):
            h.send_header("content-length" if lower else "Content-Length", str(length))
        if byte_range is not None:
            h.send_header("content-range" if lower else "Content-Range",
                          "bytes %d-%d/%d" % (first, last, size))
        h.send_header("Accept-Ranges", "bytes")
        h.send_header("Content-Type", "application/octet-stream")
        h.send_header("Last-Modified",
                      email.utils.formatdate(os.path.getmtime(path), usegmt=True))
        h.end_headers()
        if h.command == "GET" and length > 0:
            self._send_body(h, path, first, length, real_size, faults, entry)

    def _send_body(self, h, path, first, length, real_size, faults, entry):
        sock = h.connection
        if (not faults and not isinstance(sock, ssl.SSLSocket)
                and first + length <= real_size):
            with open(path, "rb") as f:
                entry["sent"] = sock.sendfile(f, first, length)
            return
        rate = int(faults["rate"]["bytes_per_second"]) if "rate" in faults else 0
        stop_at = length
        for kind in ("stall", "drop"):
            if kind in faults:
                stop_at = min(stop_at, int(faults[kind].get("after", 0)))
        corrupt = int(faults["corrupt"]["offset"]) if "corrupt" in faults else -1
        chunk = max(4096, min(CHUNK, rate // 16)) if rate else CHUNK
        started = time.monotonic()
        sent = 0
        with open(path, "rb") as f:
            while sent < stop_at:
                offset = first + sent
                n = min(chunk, stop_at - sent)
                data = bytearray(os.pread(f.fileno(), n, offset) if offset < real_size else b"")
                data.extend(bytes(n - len(data)))  # zeros past the real end
                if offset <= corrupt < offset + n:
                    data[corrupt - offset] ^= 0xFF
                sock.sendall(data)
                sent += n
                entry["sent"] = sent
                if rate:
                    self._sleep(started + sent / rate - time.monotonic())
        if sent < length:
            if "stall" in faults:
                self._sleep(float(faults["stall"].get("seconds", 30)))
            world_server.drop(h)

    def _sleep(self, seconds):
        if seconds > 0:
            self.stopping.wait(seconds)
