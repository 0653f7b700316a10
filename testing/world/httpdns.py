"""The HTTP-based DNS service: a signed query names a host, the answer is a
short JSON array of the addresses scripted for it. Every query is recorded
with its signature fields, so that tests can check what the client signed.

Paths:
  /resolve?type=1&short=1&uid=U&ak=A&name=HOST&ts=T&key=K
                            ["a.b.c.d", ...] as scripted for HOST ([] when
                            nothing is); the query is recorded
  /__world/ping             {"ok": true}
  /__world/script           POST a rule or a list of rules (below)
  /__world/queries?name=H   the queries recorded for H, in order
  /__world/clear            POST {"name": H}: its rules and queries go
                            (without "name": everything)

A rule: {"name": HOST, "addresses": [...], "address": A (optional: only
queries that reach this listening address), "answer": KIND (optional)}:
  list (default)    200 with the addresses as a JSON array
  empty             200 with an empty body
  drop              the connection is closed without an answer
  status {status}   that HTTP status with a short text body
  raw {body}        200 with `body` as it stands
A rule for the listening address wins over one without "address".
"""

import json
import threading
import urllib.parse

import world_server

SIGNATURE_FIELDS = ("type", "short", "uid", "ak", "name", "ts", "key")


def _send(h, code, body=b"", content_type="application/json"):
    world_server.send(h, code, body, [("Content-Type", content_type)])


class HttpDnsRole:
    name = "httpdns"

    def __init__(self):
        self.listeners = None
        self.stopping = threading.Event()
        self._lock = threading.Lock()
        self._rules = []
        self._queries = {}

    def handle(self, h):
        path, _, query = h.path.partition("?")
        params = urllib.parse.parse_qs(query, keep_blank_values=True)
        if path == "/resolve":
            return self._resolve(h, params)
        if path.startswith("/__world/"):
            return self._control(h, path[len("/__world/"):], params)
        return _send(h, 404, b"not found\n", "text/plain")

    def _rule_for(self, name, address):
        with self._lock:
            chosen = None
            for rule in self._rules:
                if rule["name"] != name:
                    continue
                if rule.get("address") == address:
                    return rule
                if "address" not in rule and chosen is None:
                    chosen = rule
            return chosen

    def _resolve(self, h, params):
        fields = {k: params.get(k, [None])[0] for k in SIGNATURE_FIELDS}
        fields["address"] = h.local_address
        fields["scheme"] = h.server.scheme
        fields["version"] = h.request_version
        name = fields["name"] or ""
        with self._lock:
            entries = self._queries.setdefault(name, [])
            if len(entries) < 1000:
                entries.append(fields)
        rule = self._rule_for(name, h.local_address) or {"addresses": []}
        kind = rule.get("answer", "list")
        if kind == "drop":
            world_server.drop(h)
            return None
        if kind == "empty":
            return _send(h, 200)
        if kind == "status":
            return _send(h, int(rule.get("status", 503)), b"unavailable\n", "text/plain")
        if kind == "raw":
            return _send(h, 200, str(rule.get("body", "")).encode())
        return _send(h, 200, json.dumps(list(rule.get("addresses", []))).encode())

    def _control(self, h, what, params):
        length = int(h.headers.get("Content-Length") or 0)
        body = h.rfile.read(length) if length else b""
        try:
            if what == "ping":
                answer = {"ok": True}
            elif what == "script" and h.command == "POST":
                rules = json.loads(body or b"[]")
                for rule in rules if isinstance(rules, list) else [rules]:
                    if not isinstance(rule, dict) or "name" not in rule:
                        raise ValueError("a rule needs a 'name'")
                    with self._lock:
                        self._rules.append(dict(rule))
                answer = {"ok": True}
            elif what == "queries":
                with self._lock:
                    answer = list(self._queries.get(params.get("name", [""])[0], []))
            elif what == "clear" and h.command == "POST":
                name = (json.loads(body) if body else {}).get("name")
                with self._lock:
                    self._rules = [r for r in self._rules
                                   if name is not None and r["name"] != name]
                    if name is None:
                        self._queries.clear()
                    else:
                        self._queries.pop(name, None)
                answer = {"ok": True}
            else:
                return _send(h, 404, b"unknown control path\n", "text/plain")
        except (ValueError, KeyError, TypeError, AttributeError) as error:
            return _send(h, 400, (str(error) + "\n").encode(), "text/plain")
        return _send(h, 200, json.dumps(answer).encode())
