#!/usr/bin/env python3
"""A fleet of controllers on one bridge: how soon all answer a broadcast Ping, and how soon
the host tool lists them.

    bench/fleet.py [--count N] [--build DIR] [--limit SECONDS]

N images (default 1000; a bridge takes 1024 ports, one is the host's) run with --pace 0,
each in a network namespace of its own, joined by one bridge in another namespace; the host
side (a raw Ping and the host tool) runs in a namespace of its own. Prints the set-up and
boot times, the resident memory per controller (median, max), the time from one broadcast
Ping to its last reply and the replies lost, and what `tesselcfg --json discover --count N`
lists and how long it takes.

Everything it makes (namespaces, links, images, disks) is removed at the end, also when it
is interrupted or runs past --limit. Needs root. The host's neighbour entries for the fleet
are static: on one host kernel every namespace's entries share one table, and 1000 hosts
plus 1000 controllers would overflow it, which a real network would not.
"""
import argparse
import json
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
UDP_PORT = 44515
PACKET = 184
MAX_PORTS = 1024  # of one Linux bridge
HOST_ADDRESS = "10.90.0.1"
PREFIX = 16


def controller_address(i):
    return "10.90.%d.%d" % (1 + i // 250, 1 + i % 250)


def controller_mac(i):
    return "02:4c:46:00:%02x:%02x" % ((i + 1) >> 8, (i + 1) & 0xFF)


def ping_request():
    packet = bytearray(PACKET)
    packet[0:2] = b"ED"
    packet[2] = 0x01  # Ping
    packet[5] = 2  # protocol version
    return bytes(packet)


class Interrupted(Exception):
    pass


def interrupt(signum, _frame):
    raise Interrupted(signal.Signals(signum).name)


def ip_batch(commands, namespace=None):
    """Runs ip commands from one process; `namespace` runs them inside it."""
    args = ["ip"] + (["-n", namespace] if namespace else []) + ["-batch", "-"]
    done = subprocess.run(args, input="\n".join(commands) + "\n", text=True,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    if done.returncode != 0:
        raise RuntimeError("ip %s: %s" % (namespace or "", done.stderr.strip()[:500]))


class Fleet:
    def __init__(self, count, image, scratch):
        tag = "lbfleet%d" % os.getpid()
        self.count = count
        self.image = image
        self.scratch = scratch
        self.bridge = tag + "b"
        self.host = tag + "h"
        self.controllers = ["%sc%d" % (tag, i) for i in range(count)]
        self.made = []
        self.procs = []

    def build_network(self):
        names = [self.bridge, self.host] + self.controllers
        self.made = names  # removed at the end, however far this gets
        ip_batch(["netns add " + ns for ns in names])
        commands = ["link add br0 type bridge", "link set br0 up",
                    "link add h0 type veth peer name eth0 netns " + self.host,
                    "link set h0 master br0", "link set h0 up"]
        for i, ns in enumerate(self.controllers):
            commands += ["link add c%d type veth peer name eth0 address %s netns %s"
                         % (i, controller_mac(i), ns),
                         "link set c%d master br0" % i, "link set c%d up" % i]
        ip_batch(commands, self.bridge)
        host = ["link set lo up", "link set eth0 up",
                "addr add %s/%d dev eth0" % (HOST_ADDRESS, PREFIX)]
        host += ["neigh add %s lladdr %s dev eth0 nud permanent"
                 % (controller_address(i), controller_mac(i)) for i in range(self.count)]
        ip_batch(host, self.host)
        pending = []
        for i, ns in enumerate(self.controllers):
            pending.append(subprocess.Popen(
                ["ip", "-n", ns, "-batch", "-"], stdin=subprocess.PIPE, text=True,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            pending[-1].stdin.write("link set lo up\nlink set eth0 up\naddr add %s/%d dev eth0\n"
                                    % (controller_address(i), PREFIX))
            pending[-1].stdin.close()
            if len(pending) >= 16:
                pending.pop(0).wait(60)
        for p in pending:
            p.wait(60)

    def boot(self):
        for i, ns in enumerate(self.controllers):
            disk = os.path.join(self.scratch, "c%d" % i)
            os.mkdir(disk)
            with open(disk + ".log", "wb") as log:
                # A session of its own: a ^C reaches only this script, which then stops all.
                self.procs.append(subprocess.Popen(
                    ["ip", "netns", "exec", ns, self.image, "--disk", disk, "--pace", "0"],
                    stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                    start_new_session=True))

    def wait_running(self, timeout):
        waiting = set(range(self.count))
        deadline = time.monotonic() + timeout
        while waiting and time.monotonic() < deadline:
            for i in list(waiting):
                if self.procs[i].poll() is not None:
                    raise RuntimeError("controller %d ended during start-up" % i)
                with open(os.path.join(self.scratch, "c%d.log" % i), "rb") as log:
                    if b"\nSystem state: " in log.read():
                        waiting.discard(i)
            if waiting:
                time.sleep(0.5)
        return self.count - len(waiting)

    def resident_mib(self):
        sizes = []
        for p in self.procs:
            with open("/proc/%d/smaps_rollup" % p.pid) as f:
                for line in f:
                    if line.startswith("Rss:"):
                        sizes.append(int(line.split()[1]) / 1024)
        return sizes

    def in_host(self, *args):
        return ["ip", "netns", "exec", self.host] + list(args)

    def close(self):
        for p in self.procs:
            if p.poll() is None:
                p.terminate()  # a power-off
        deadline = time.monotonic() + 20
        for p in self.procs:
            try:
                p.wait(max(0.1, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        self.procs = []
        if self.made:
            subprocess.run(["ip", "-force", "-batch", "-"], input="".join("netns del %s\n" % ns
                                                                for ns in self.made),
                           text=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=600)
            self.made = []


def probe(count, wait):
    """In the host's namespace: one broadcast Ping, replies until every controller answered
    or `wait` seconds passed. Prints a JSON summary."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        s.setsockopt(socket.SOL_SOCKET, getattr(socket, "SO_RCVBUFFORCE", 33), 64 << 20)
    except OSError:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 64 << 20)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, b"eth0")
    s.bind(("0.0.0.0", 0))
    seen = set()
    replies = 0
    last = 0.0
    start = time.monotonic()
    s.sendto(ping_request(), ("255.255.255.255", UDP_PORT))
    while len(seen) < count:
        left = start + wait - time.monotonic()
        if left <= 0:
            break
        s.settimeout(left)
        try:
            reply = s.recv(1024)
        except socket.timeout:
            break
        if len(reply) != PACKET or reply[0:2] != b"ED" or reply[2] != 0x08:
            continue
        replies += 1
        mac = reply[14:20]
        if mac not in seen:
            seen.add(mac)
            last = time.monotonic() - start
    print(json.dumps({"replies": replies, "controllers": len(seen), "last": last}))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("--limit", type=float, default=1200,
                        help="seconds after which everything is stopped and removed")
    parser.add_argument("--probe", nargs=2, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.probe:
        probe(int(args.probe[0]), float(args.probe[1]))
        return
    if os.geteuid() != 0:
        raise SystemExit("needs root (network namespaces)")
    count = max(1, min(args.count, MAX_PORTS - 1))
    build = os.path.abspath(args.build)
    image = os.path.join(build, "lifeboat.exe")
    tool = os.path.join(build, "tools", "tesselcfg")
    for needed in (image, tool):
        if not os.access(needed, os.X_OK):
            raise SystemExit("not built: " + needed)

    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGALRM):
        signal.signal(signum, interrupt)
    signal.alarm(int(args.limit))
    scratch = tempfile.mkdtemp(prefix="lifeboat-fleet-")
    fleet = Fleet(count, image, scratch)
    status = 0
    try:
        print("fleet of %d controllers on one bridge (each on a veth of its own)" % count, flush=True)
        started = time.monotonic()
        fleet.build_network()
        print("network set up in %.1f s" % (time.monotonic() - started), flush=True)
        started = time.monotonic()
        fleet.boot()
        running = fleet.wait_running(timeout=min(600, args.limit))
        print("%d of %d controllers running %.1f s after the first start"
              % (running, count, time.monotonic() - started), flush=True)
        time.sleep(2)  # let start-up settle before measuring
        sizes = fleet.resident_mib()
        print("image resident memory per controller: median %.2f MiB, max %.2f MiB"
              % (statistics.median(sizes), max(sizes)), flush=True)

        done = subprocess.run(fleet.in_host(sys.executable, os.path.abspath(__file__),
                                            "--probe", str(count), "10"),
                              stdout=subprocess.PIPE, text=True, timeout=60)
        heard = json.loads(done.stdout)
        print("broadcast Ping: %d of %d controllers answered (%d replies), last reply "
              "%.3f s after the broadcast, %d lost"
              % (heard["controllers"], count, heard["replies"], heard["last"],
                 count - heard["controllers"]), flush=True)

        started = time.monotonic()
        listed = subprocess.run(fleet.in_host(tool, "--json", "--timeout", "10", "discover",
                                              "--count", str(count)),
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                timeout=120)
        took = time.monotonic() - started
        if listed.returncode != 0:
            print("host tool failed (%d): %s" % (listed.returncode, listed.stderr.strip()))
            status = 1
        else:
            found = json.loads(listed.stdout)
            with_state = sum(1 for c in found if c.get("state"))
            print("host tool: lists %d of %d controllers (%d with their state) in %.2f s"
                  % (len(found), count, with_state, took), flush=True)
            status = 0 if len(found) == count and with_state == count else 1
    except Interrupted as why:
        print("stopped (%s): cleaning up" % why, flush=True)
        status = 2
    finally:
        signal.alarm(0)
        for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(signum, signal.SIG_IGN)  # the clean-up itself is not cut short
        fleet.close()
        shutil.rmtree(scratch, ignore_errors=True)
    sys.exit(status)


if __name__ == "__main__":
    main()
