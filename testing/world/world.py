#!/usr/bin/env python3
"""The local stand-in for every outside service the installer talks to.

One program with roles; each role listens on its own port over HTTP and
HTTPS, on every world address at once (127.0.0.2, 127.0.0.3, ... by default),
so that one host name can stand for several servers. HTTPS uses a test CA
made at start with the openssl command; clients verify against its ca.pem.

  world.py run   --state FILE [options]   serve until SIGTERM or SIGINT
  world.py start --state FILE [options]   the same in the background; returns
                                          once the state file is written
  world.py stop  --state FILE             end a world started with start

Options: --root DIR (files of the CDN; default: files/ beside the state
file), --addresses A,B,... , --roles cdn,... , --port ROLE.SCHEME=N (a fixed
port instead of a free one), --lifetime SECONDS (end on its own after that).

The state file (JSON) says where everything is: pid, root, addresses, ca,
host (a name the certificate carries), and per role its http and https
ports. The world removes it when it ends.
"""

import argparse
import json
import os
import signal
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import cdn  # noqa: E402
import httpdns  # noqa: E402
import service  # noqa: E402
import world_server  # noqa: E402
import world_tls  # noqa: E402

DEFAULT_ADDRESSES = ",".join("127.0.0.%d" % i for i in range(2, 10))
ROLES = {"cdn": lambda args: cdn.CdnRole(args.root)}
ROLES["httpdns"] = lambda args: httpdns.HttpDnsRole()
ROLES["service"] = lambda args: service.ServiceRole()


def _parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("command", choices=["run", "start", "stop"])
    parser.add_argument("--state", required=True)
    parser.add_argument("--root")
    parser.add_argument("--addresses", default=DEFAULT_ADDRESSES)
    parser.add_argument("--roles", default=",".join(ROLES))
    parser.add_argument("--port", action="append", default=[])
    parser.add_argument("--lifetime", type=float, default=0)
    args = parser.parse_args(argv)
    args.state = os.path.abspath(args.state)
    folder = os.path.dirname(args.state)
    args.root = os.path.abspath(args.root or os.path.join(folder, "files"))
    args.addresses = [a for a in args.addresses.split(",") if a]
    args.roles = [r for r in args.roles.split(",") if r]
    for role in args.roles:
        if role not in ROLES:
            parser.error("unknown role " + role)
    ports = {}
    for item in args.port:
        key, _, value = item.partition("=")
        if not value.isdigit():
            parser.error("--port wants ROLE.SCHEME=N")
        ports[key] = int(value)
    args.ports = ports
    return args


def _write_state(path, state):
    temporary = path + ".tmp"
    with open(temporary, "w") as f:
        json.dump(state, f, indent=1)
    os.replace(temporary, path)


def _read_state(path):
    try:
        with open(path) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def _alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    try:  # a finished child of ours that nobody reaped yet
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def run(args):
    folder = os.path.dirname(args.state)
    os.makedirs(args.root, exist_ok=True)
    tls = world_tls.make_test_ca(os.path.join(folder, "tls"), args.addresses)
    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: done.set())
    signal.signal(signal.SIGINT, lambda *_: done.set())
    roles, state = [], {"pid": os.getpid(), "root": args.root, "addresses": args.addresses,
                        "ca": tls["ca"], "host": world_tls.SERVER_NAMES[0], "roles": {}}
    for name in args.roles:
        role = ROLES[name](args)
        role.listeners = world_server.Listeners(
            role, args.addresses, args.ports.get(name + ".http", 0),
            args.ports.get(name + ".https", 0), tls)
        role.listeners.start()
        roles.append(role)
        state["roles"][name] = {"http": role.listeners.port("http"),
                                "https": role.listeners.port("https")}
    _write_state(args.state, state)
    print("world: listening, state in " + args.state, flush=True)
    done.wait(args.lifetime or None)
    for role in roles:
        role.stopping.set()
        role.listeners.stop()
    try:
        if _read_state(args.state).get("pid") == os.getpid():
            os.unlink(args.state)
    except (OSError, AttributeError):
        pass
    return 0


def stop(args):
    state = _read_state(args.state)
    if not state:
        return 0
    pid = int(state.get("pid", 0))
    if pid > 0 and _alive(pid):
        os.kill(pid, signal.SIGTERM)
        deadline = time.monotonic() + 5
        while _alive(pid) and time.monotonic() < deadline:
            time.sleep(0.05)
        if _alive(pid):
            os.kill(pid, signal.SIGKILL)
    try:
        os.unlink(args.state)
    except OSError:
        pass
    return 0


def start(args, argv):
    stop(args)
    os.makedirs(os.path.dirname(args.state), exist_ok=True)
    log = open(os.path.join(os.path.dirname(args.state), "world.log"), "ab")
    command = [sys.executable, os.path.abspath(__file__), "run"] + argv[1:]
    child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                             start_new_session=True)
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        state = _read_state(args.state)
        if state and state.get("pid") == child.pid:
            print("world: started, pid %d" % child.pid)
            return 0
        if child.poll() is not None:
            break
        time.sleep(0.05)
    print("world: did not start; see " + log.name, file=sys.stderr)
    if child.poll() is None:
        child.kill()
    return 1


def main(argv):
    args = _parse_args(argv)
    if args.command == "run":
        return run(args)
    if args.command == "stop":
        return stop(args)
    return start(args, argv)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
