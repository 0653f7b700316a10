"""The maker's REST service: the client token, the strategy queries and the
runtime documents, with answers scripted per test and a journal of every
request received.

Every path starts with a tenant, a name the test chooses: tests that share
one world each talk to a service of their own. A test's service bases are
http://ADDRESS:PORT/TENANT/primary and .../TENANT/secondary (any other base
name works the same), its ServerHost http://ADDRESS:PORT/TENANT/.

Paths after /TENANT:
  /BASE/v3/user/client/token             POST; a token for the client secret
  /BASE/v5/product/get-relation-pid/ID   GET with a token: {"data": []}
  /BASE/v3/downloader/strategy/preheat   GET with a token: no preheat
  /BASE/v3/downloader/strategy           GET with a token: no strategy
  /rest/v2/downloader/runtime/           GET: 404 until scripted
  .../xml/NAME.xml                       GET: 404 until scripted
A query without a valid "Authorization: Bearer" token gets "code" 401.

Control paths (no tenant):
  /__world/ping                 {"ok": true}
  /__world/script               POST a rule or a list of rules
  /__world/clear                POST {"tenant": T}: its rules, tokens and
                                journal go (without "tenant": everything)
  /__world/journal?tenant=T     the requests of T in order: method, path
                                (after the tenant), query (as sent), headers
                                ([{"name", "value"}] as sent), body, version

A rule: {"tenant": T, "path": P (after the tenant, without the query; a
trailing "*" matches any rest), "method": M (optional), "times": N
(optional: only the next N requests), and the answer:
  "status" (default 200), "body" (text) or "json" (any value, sent as JSON),
  "content_type", "delay" (seconds before the answer), "drop" (true: the
  connection is closed without an answer), "auth" (true: only for a request
  with a valid token; others get "code" 401)}.
The first rule that matches answers; without one the defaults above apply.
"""

import json
import threading
import urllib.parse

import world_server

APP_SECRET = "Zx8mWq3Nv7RtLp2Kb6Hc9Yd4Gf5Js1Ua0E"
QUERY_PATHS = ("/v5/product/get-relation-pid/", "/v3/downloader/strategy")


def _send(h, status, body, content_type="application/json"):
    world_server.send(h, status, body, [("Content-Type", content_type), ("Connection", "close")])
    h.close_connection = True


def _json(h, status, value):
    _send(h, status, json.dumps(value, separators=(",", ":")))


def _path_matches(pattern, path):
    if pattern.endswith("*"):
        return path.startswith(pattern[:-1])
    return path == pattern


class _Tenant:
    def __init__(self):
        self.rules = []
        self.tokens = set()
        self.journal = []


class ServiceRole:
    name = "service"

    def __init__(self):
        self._lock = threading.Lock()
        self._tenants = {}
        self._issued = 0
        self.listeners = None
        self.stopping = threading.Event()

    def _tenant(self, name):
        return self._tenants.setdefault(name, _Tenant())

    # Routing ---------------------------------------------------------------

    def handle(self, h):
        path, _, query = h.path.partition("?")
        length = int(h.headers.get("Content-Length") or 0)
        body = h.rfile.read(length) if length else b""
        segments = path.split("/")
        if len(segments) < 2 or not segments[1]:
            return _send(h, 404, "not found\n", "text/plain")
        if segments[1] == "__world":
            return self._control(h, segments[2:], urllib.parse.parse_qs(query), body)
        tenant = urllib.parse.unquote(segments[1])
        rest = "/" + "/".join(segments[2:])
        entry = {"method": h.command, "path": rest, "query": query,
                 "headers": [{"name": k, "value": v} for k, v in h.headers.items()],
                 "body": body.decode("utf-8", "replace"), "version": h.request_version,
                 "address": h.local_address, "scheme": h.server.scheme}
        with self._lock:
            state = self._tenant(tenant)
            if len(state.journal) < 10000:
                state.journal.append(entry)
            rule = self._take_rule(state, h.command, rest)
        if rule is not None and rule.get("auth") and not self._authorised(h, tenant):
            return _json(h, 200, {"code": 401, "msg": "unauthorized", "data": None})
        if rule is not None:
            return self._scripted(h, rule)
        return self._default(h, tenant, rest, body)

    def _take_rule(self, state, method, path):
        for rule in state.rules:
            if (rule["times"] != 0 and rule.get("method", method) == method
                    and _path_matches(rule["path"], path)):
                if rule["times"] > 0:
                    rule["times"] -= 1
                return dict(rule)
        return None

    def _scripted(self, h, rule):
        delay = float(rule.get("delay", 0))
        if delay > 0:
            self.stopping.wait(delay)
        if rule.get("drop"):
            world_server.drop(h)
            return None
        if "json" in rule:
            body = json.dumps(rule["json"], separators=(",", ":"))
        else:
            body = rule.get("body", "")
        return _send(h, int(rule.get("status", 200)), body,
                     rule.get("content_type", "application/json"))

    # Default answers ---------------------------------------------------------

    def _default(self, h, tenant, path, body):
        if path.endswith("/v3/user/client/token") and h.command == "POST":
            return self._token(h, tenant, body)
        if any(p in path for p in QUERY_PATHS) and h.command == "GET":
            if not self._authorised(h, tenant):
                return _json(h, 200, {"code": 401, "msg": "unauthorized", "data": None})
            if "/get-relation-pid/" in path:
                return _json(h, 200, {"code": 0, "msg": "success", "data": []})
            return _json(h, 200, {"code": 0, "msg": "success",
                                  "data": {"hit_strategy": False, "version": ""}})
        return _send(h, 404, "not found\n", "text/plain")

    def _token(self, h, tenant, body):
        try:
            request = json.loads(body or b"{}")
        except ValueError:
            request = {}
        if (not isinstance(request, dict) or request.get("grant_type") != "client_credentials"
                or request.get("app_secret") != APP_SECRET):
            return _json(h, 200, {"code": 401, "msg": "invalid client", "data": None})
        with self._lock:
            self._issued += 1
            token = "%s-token-%d" % (tenant, self._issued)
            self._tenant(tenant).tokens.add(token)
        return _json(h, 200, {"code": 0, "msg": "success",
                              "data": {"access_token": token, "expires_in": 7200}})

    def _authorised(self, h, tenant):
        value = h.headers.get("Authorization") or ""
        if not value.startswith("Bearer "):
            return False
        with self._lock:
            return value[len("Bearer "):] in self._tenant(tenant).tokens

    # Control -----------------------------------------------------------------

    def _control(self, h, parts, query, body):
        try:
            if parts == ["ping"]:
                answer = {"ok": True}
            elif parts == ["script"] and h.command == "POST":
                rules = json.loads(body or b"[]")
                for rule in rules if isinstance(rules, list) else [rules]:
                    self._add_rule(rule)
                answer = {"ok": True}
            elif parts == ["clear"] and h.command == "POST":
                tenant = (json.loads(body) if body else {}).get("tenant")
                with self._lock:
                    if tenant is None:
                        self._tenants.clear()
                    else:
                        self._tenants.pop(tenant, None)
                answer = {"ok": True}
            elif parts == ["journal"]:
                tenant = query.get("tenant", [""])[0]
                with self._lock:
                    state = self._tenants.get(tenant)
                    answer = [dict(e) for e in state.journal] if state else []
            else:
                return _send(h, 404, "unknown control path\n", "text/plain")
        except (ValueError, KeyError, TypeError, AttributeError) as error:
            return _send(h, 400, str(error) + "\n", "text/plain")
        _json(h, 200, answer)

    def _add_rule(self, rule):
        if (not isinstance(rule, dict) or not isinstance(rule.get("tenant"), str)
                or not isinstance(rule.get("path"), str)):
            raise ValueError("a rule needs a 'tenant' and a 'path'")
        rule = dict(rule)
        rule.setdefault("times", -1)
        with self._lock:
            self._tenant(rule["tenant"]).rules.append(rule)
