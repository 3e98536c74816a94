#!/usr/bin/env python3
"""Hostile peers against a running image: discovery under a TCP crowd, memory under a
datagram flood, and the power-off time with many TCP clients.

    bench/hostile_peers.py [--build DIR] [--idle N] [--slow N] [--flood N] [--clients N]
                           [--parked N] [--limit SECONDS]

The image runs in a network namespace of its own, the peers in a second one, joined by one
veth pair. Three phases:

1. Crowd: the peers open --idle TCP connections (default 1000) that never send anything and
   --slow connections (default 100) that send one byte a second (reconnecting at most once a
   second when the image closes them). Prints how many connections the image kept, its
   threads and open sockets, and the answer times of discovery Pings over UDP meanwhile.
2. Flood: --flood malformed datagrams (default 100 000: random lengths up to 600 bytes,
   wrong magic, wrong version, another controller's address, one byte short) to the UDP
   port, with the crowd still there. Prints resident memory before and after, and whether a
   Ping is answered afterwards.
3. Power-off: a fresh image (socket limit raised so that all are served) with --clients
   idle clients (default 60), each served one Ping first; then again with --parked more
   (default 10) that stop half-way through a request, in the 10-second body wait. Prints
   the time from SIGTERM to the image's exit.

Everything it makes (namespaces, links, images, disks) is removed at the end, also when it
is interrupted or runs past --limit. Needs root (namespaces). The peers raise their own
limit on open files, as a thousand connections need more than the usual 1024.
"""
import argparse
import os
import random
import resource
import selectors
import signal
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

UDP_PORT = 44515
TCP_PORT = 44516
PACKET = 184
ACK = 0x08
CONTROLLER = "10.81.0.2"
PEERS = "10.81.0.1"


def ping(mac=b"\0" * 6):
    packet = bytearray(PACKET)
    packet[0:2] = b"ED"
    packet[2] = 0x01  # Ping
    packet[5] = 2  # protocol version
    packet[14:20] = mac
    return bytes(packet)


def framed(packet):
    return struct.pack(">I", len(packet)) + packet


def resident_kib(pid):
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            name, _, rest = line.partition(":")
            if name == "Rss":
                return int(rest.split()[0])
    raise RuntimeError("no Rss")


def say(*words):
    print(*words, flush=True)


# --- Roles run inside the peers' namespace; they talk to the main script by lines. ---------

def raise_file_limit(wanted):
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if hard != resource.RLIM_INFINITY and hard < wanted:
        wanted = hard
    if soft == resource.RLIM_INFINITY or soft < wanted:
        resource.setrlimit(resource.RLIMIT_NOFILE, (wanted, hard))


def discovery_times(count, timeout=3.0):
    """Answer times (seconds; None when lost) of `count` unicast Pings; the answers come by
    broadcast to the asking port."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    s.bind(("0.0.0.0", 0))
    times = []
    try:
        for _ in range(count):
            while True:  # drop anything left from a lost round
                s.setblocking(False)
                try:
                    s.recv(4096)
                except BlockingIOError:
                    break
            s.setblocking(True)
            start = time.monotonic()
            s.sendto(ping(), (CONTROLLER, UDP_PORT))
            answer = None
            deadline = start + timeout
            while answer is None:
                left = deadline - time.monotonic()
                if left <= 0:
                    break
                s.settimeout(left)
                try:
                    data = s.recv(4096)
                except socket.timeout:
                    break
                if len(data) == PACKET and data[2] == ACK:
                    answer = time.monotonic() - start
            times.append(answer)
            time.sleep(0.2)
    finally:
        s.close()
    return times


class Crowd:
    """Idle and slow TCP peers, driven by one selector."""

    def __init__(self, idle, slow):
        self.sel = selectors.DefaultSelector()
        self.idle = [self.connect("idle") for _ in range(idle)]
        self.slow = [self.connect("slow") for _ in range(slow)]
        self.reconnects = 0
        self.closed_idle = 0
        self.refused = 0

    def connect(self, kind):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setblocking(False)
        err = s.connect_ex((CONTROLLER, TCP_PORT))
        peer = {"sock": s, "kind": kind, "state": "connecting", "sent": 0, "next": 0.0}
        if err not in (0, 115):  # EINPROGRESS
            s.close()
            peer["state"] = "failed"
            return peer
        self.sel.register(s, selectors.EVENT_WRITE, peer)
        return peer

    def close(self, peer, how):
        try:
            self.sel.unregister(peer["sock"])
        except (KeyError, ValueError):
            pass
        peer["sock"].close()
        peer["state"] = how

    def step(self, seconds):
        end = time.monotonic() + seconds
        while True:
            now = time.monotonic()
            for i, peer in enumerate(self.slow):
                if peer["state"] in ("closed", "failed", "refused") and now >= peer["next"]:
                    self.slow[i] = self.connect("slow")
                    self.slow[i]["next"] = now + 1.0
                    self.reconnects += 1
                elif peer["state"] == "open" and now >= peer["next"]:
                    # One byte of a framed Ping a second: the length word, then the body.
                    data = framed(ping())
                    try:
                        peer["sock"].send(data[peer["sent"] % len(data):][:1])
                        peer["sent"] += 1
                    except OSError:
                        self.close(peer, "closed")
                    peer["next"] = now + 1.0
            left = end - now
            if left <= 0:
                return
            for key, events in self.sel.select(min(left, 0.2)):
                peer = key.data
                s = peer["sock"]
                if peer["state"] == "connecting":
                    if s.getsockopt(socket.SOL_SOCKET, socket.SO_ERROR) != 0:
                        self.refused += 1
                        self.close(peer, "refused")
                        continue
                    peer["state"] = "open"
                    self.sel.modify(s, selectors.EVENT_READ, peer)
                    continue
                try:
                    data = s.recv(4096)
                except OSError:
                    data = b""
                if not data:
                    if peer["kind"] == "idle":
                        self.closed_idle += 1
                    self.close(peer, "closed")

    def census(self):
        count = {}
        for peer in self.idle + self.slow:
            key = peer["kind"] + " " + peer["state"]
            count[key] = count.get(key, 0) + 1
        return ", ".join("%s %d" % item for item in sorted(count.items()))


def role_crowd(idle, slow, probes):
    raise_file_limit(idle + slow + 256)
    crowd = Crowd(idle, slow)
    crowd.step(15)  # connections made, the image has sorted them out
    say("census", crowd.census())
    # Discovery while the crowd stays: the probes run between the crowd's steps.
    times = []
    for _ in range(probes):
        times += discovery_times(1)
        crowd.step(0.3)
    say("discovery", " ".join("-" if t is None else "%.4f" % t for t in times))
    say("held")
    # Kept until the main script closes our input; the slow peers go on meanwhile.
    stdin = sys.stdin.fileno()
    os.set_blocking(stdin, False)
    while True:
        crowd.step(0.5)
        try:
            if os.read(stdin, 64) == b"":
                break
        except BlockingIOError:
            pass
    say("census", crowd.census(), "reconnects", crowd.reconnects)


def malformed(rng):
    kind = rng.randrange(6)
    good = bytearray(ping(b"\x02\x4c\x46\x00\x00\x01"))
    if kind == 0:
        return rng.randbytes(rng.randrange(1, 601))
    if kind == 1:
        good[0:2] = b"XX"
    elif kind == 2:
        good[5] = rng.choice([0, 1, 3, 255])
    elif kind == 3:
        good[14:20] = rng.randbytes(6)  # some other controller
        good[2] = rng.randrange(256)
    elif kind == 4:
        return bytes(good[:-1])
    else:
        return bytes(good) + rng.randbytes(rng.randrange(1, 400))
    return bytes(good)


def role_flood(count):
    rng = random.Random(16)
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    start = time.monotonic()
    sent = 0
    for _ in range(count):
        try:
            s.sendto(malformed(rng), (CONTROLLER, UDP_PORT))
            sent += 1
        except OSError:
            pass
    say("flood", sent, "%.2f" % (time.monotonic() - start))
    s.close()


def role_park(clients, parked):
    raise_file_limit(clients + parked + 256)
    held = []
    for i in range(clients):
        s = socket.create_connection((CONTROLLER, TCP_PORT), timeout=10)
        s.sendall(framed(ping()))
        have = b""
        while len(have) < 4 + PACKET:
            chunk = s.recv(4 + PACKET - len(have))
            if not chunk:
                raise SystemExit("client %d was not served" % i)
            have += chunk
        held.append(s)
    for _ in range(parked):
        s = socket.create_connection((CONTROLLER, TCP_PORT), timeout=10)
        s.sendall(framed(ping())[:4 + 20])  # the rest never comes
        held.append(s)
    time.sleep(0.5)
    say("ready")
    sys.stdin.read()


# --- The main script ---------------------------------------------------------------------

class Interrupted(Exception):
    pass


def interrupt(signum, _frame):
    raise Interrupted(signal.Signals(signum).name)


def boot(lifeboat_process, net, controller, disk, settings):
    with open(os.path.join(disk, "zu-rt.ini"), "w") as f:
        f.write(settings)
    image = lifeboat_process.Image(wrapper=net.exec_prefix(controller), disk=disk)
    if not image.wait_for("\nSystem state: ", 30):
        image.close()
        raise SystemExit("the image did not come up:\n" + image.output)
    return image


def peers(net, host, *role):
    return subprocess.Popen(
        list(net.exec_prefix(host)) + [sys.executable, os.path.abspath(__file__), "--role",
                                       *map(str, role)],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)


def expect(proc, word):
    """The words of the peers' next line starting with `word`."""
    while True:
        line = proc.stdout.readline()
        if not line:
            raise SystemExit("the peers ended early (waiting for %r)" % word)
        words = line.split()
        if words and words[0] == word:
            return words[1:]


def sockets_and_threads(pid):
    fds = 0
    for fd in os.listdir("/proc/%d/fd" % pid):
        try:
            if os.readlink("/proc/%d/fd/%s" % (pid, fd)).startswith("socket:"):
                fds += 1
        except OSError:
            pass
    return fds, len(os.listdir("/proc/%d/task" % pid))


def tcp_states(net, controller):
    """The image's side of the command port's connections, counted by TCP state (a
    connection the image has not accepted yet is ESTAB in the backlog or SYN-RECV)."""
    shown = subprocess.run(list(net.exec_prefix(controller)) + ["ss", "-tanH"],
                           stdout=subprocess.PIPE, text=True, timeout=30).stdout
    count = {}
    for line in shown.splitlines():
        words = line.split()
        if len(words) >= 4 and words[3].endswith(":%d" % TCP_PORT) and words[0] != "LISTEN":
            count[words[0]] = count.get(words[0], 0) + 1
    return ", ".join("%s %d" % item for item in sorted(count.items())) or "none"


def summary(times):
    got = [t for t in times if t is not None]
    if not got:
        return "no answer in %d Pings" % len(times)
    return "%d of %d answered; median %.1f ms, max %.1f ms" % (
        len(got), len(times), statistics.median(got) * 1000, max(got) * 1000)


def power_off_time(lifeboat_process, net, controller, host, clients, parked):
    disk = tempfile.TemporaryDirectory(prefix="lifeboat-peers-")
    image = None
    talker = None
    try:
        # Every client served: the limit well above them plus the reserve.
        image = boot(lifeboat_process, net, controller, disk.name,
                     "[TCP_Stack_Config]\r\nIP_Address=USE_DHCP\r\nMax_Sockets=%d\r\n"
                     % (clients + parked + 64))
        talker = peers(net, host, "park", clients, parked)
        expect(talker, "ready")
        _, threads = sockets_and_threads(image.proc.pid)
        start = time.monotonic()
        status = image.power_off(timeout=600)
        took = time.monotonic() - start
        return took, status, threads
    finally:
        if talker is not None:
            talker.stdin.close()
            talker.wait(30)
        if image is not None:
            image.close()
        disk.cleanup()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("--idle", type=int, default=1000)
    parser.add_argument("--slow", type=int, default=100)
    parser.add_argument("--probes", type=int, default=20)
    parser.add_argument("--flood", type=int, default=100000)
    parser.add_argument("--clients", type=int, default=60)
    parser.add_argument("--parked", type=int, default=10)
    parser.add_argument("--limit", type=float, default=900,
                        help="seconds before the run is cut short and cleaned up")
    parser.add_argument("--role", nargs="+", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.role:
        role, rest = args.role[0], [int(x) for x in args.role[1:]]
        {"crowd": role_crowd, "flood": role_flood, "park": role_park}[role](*rest)
        return

    import lifeboat_process
    from netns import Network, require_namespaces
    require_namespaces()
    lifeboat_process.IMAGE = os.path.join(os.path.abspath(args.build), "lifeboat.exe")
    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGALRM):
        signal.signal(signum, interrupt)
    signal.alarm(int(args.limit))
    net = Network("peer")
    image = None
    crowd = None
    disk = tempfile.TemporaryDirectory(prefix="lifeboat-peers-")
    try:
        controller = net.namespace("c")
        host = net.namespace("h")
        net.link(controller, CONTROLLER + "/24", host, PEERS + "/24")

        image = boot(lifeboat_process, net, controller, disk.name,
                     "[TCP_Stack_Config]\r\nIP_Address=USE_DHCP\r\n")
        pid = image.proc.pid
        quiet = discovery_times_in(net, host, args.probes)
        idle_sockets, idle_threads = sockets_and_threads(pid)
        say("idle image: %d sockets, %d threads; discovery: %s"
            % (idle_sockets, idle_threads, quiet))

        crowd = peers(net, host, "crowd", args.idle, args.slow, args.probes)
        census = " ".join(expect(crowd, "census"))
        times = [None if w == "-" else float(w) for w in expect(crowd, "discovery")]
        expect(crowd, "held")
        sockets, threads = sockets_and_threads(pid)
        say("crowd of %d idle + %d slow TCP peers, as the peers see them: %s"
            % (args.idle, args.slow, census))
        say("  image meanwhile: %d sockets, %d threads; its connections: %s"
            % (sockets, threads, tcp_states(net, controller)))
        say("  UDP discovery under the crowd: %s" % summary(times))

        before = resident_kib(pid)
        flood = peers(net, host, "flood", args.flood)
        sent, seconds = expect(flood, "flood")
        flood.wait(60)
        time.sleep(1.0)
        after = resident_kib(pid)
        say("flood of %s malformed datagrams in %s s: resident %.2f MiB before, %.2f MiB after"
            " (%+d KiB)" % (sent, seconds, before / 1024, after / 1024, after - before))
        say("  discovery after the flood: %s" % discovery_times_in(net, host, 5))

        crowd.stdin.close()
        census = " ".join(expect(crowd, "census"))
        crowd.wait(60)
        crowd = None
        say("  crowd at the end: %s" % census)
        start = time.monotonic()
        status = image.power_off(timeout=600)
        say("power-off after the crowd left: %.2f s (exit %s)" % (time.monotonic() - start,
                                                                 status))
        image.close()
        image = None

        for parked in (0, args.parked):
            took, status, threads = power_off_time(lifeboat_process, net, controller, host,
                                                   args.clients, parked)
            say("power-off with %d idle TCP clients%s (%d threads): %.2f s (exit %s)"
                % (args.clients, " + %d in the body wait" % parked if parked else "", threads,
                   took, status))
    except Interrupted as why:
        say("interrupted (%s); cleaning up" % why)
        sys.exit(1)
    finally:
        signal.alarm(0)
        for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(signum, signal.SIG_IGN)  # the clean-up itself is not cut short
        if crowd is not None:
            crowd.kill()
            crowd.wait()
        if image is not None:
            image.close()
        net.close()
        disk.cleanup()


def discovery_times_in(net, host, count):
    """Discovery answer times measured from the peers' namespace, summarised."""
    probe = subprocess.run(
        list(net.exec_prefix(host)) + [sys.executable, "-c",
                                       "import sys; sys.path.insert(0, %r); import hostile_peers"
                                       " as h; print(' '.join('-' if t is None else '%%.4f' %% t"
                                       " for t in h.discovery_times(%d)))" % (HERE, count)],
        stdout=subprocess.PIPE, text=True, timeout=120)
    return summary([None if w == "-" else float(w) for w in probe.stdout.split()])


if __name__ == "__main__":
    main()
