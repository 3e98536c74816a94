#!/usr/bin/env python3
"""System calls per settings read and per Ping, counted by strace around a burst of each.

    bench/syscalls.py [--build DIR] [--count N]

Settings reads: bench/SettingsReadBurst runs twice with bursts of different length, so that
start-up and exit cancel out; once with a file that stays as it is, once with a missing one.
Ping: the real image in a network namespace of its own, strace attached to all its threads
while a client in a second namespace sends a burst of Pings over UDP, then over one TCP
connection. Needs root (namespaces, ptrace) and strace (scripts/install-bench-deps.sh).
"""
import argparse
import os
import shutil
import signal
import socket
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


def ping_request():
    packet = bytearray(PACKET)
    packet[0:2] = b"ED"
    packet[2] = 0x01  # Ping
    packet[5] = 2  # protocol version
    return bytes(packet)


def strace_counts(path):
    """{system call: calls} from strace -c output."""
    counts = {}
    with open(path) as f:
        for line in f:
            fields = line.split()
            if len(fields) >= 5 and fields[0][0].isdigit() and fields[-1] != "total":
                counts[fields[-1]] = int(fields[3])
    return counts


def show(what, counts, per):
    total = sum(counts.values()) / per
    parts = ", ".join("%s %.2f" % (name, n / per)
                      for name, n in sorted(counts.items(), key=lambda i: -i[1])
                      if n / per >= 0.005)
    print("%-34s %6.2f system calls  (%s)" % (what, total, parts or "none"))


# --- settings reads -------------------------------------------------------------------

def settings_reads(build, count):
    burst = os.path.join(build, "bench", "SettingsReadBurst")
    with tempfile.TemporaryDirectory() as scratch:
        for mode, what in (("present", "settings read, unchanged file:"),
                           ("missing", "settings read, missing file:")):
            runs = []
            for n in (count // 10, count // 10 + count):
                out = os.path.join(scratch, "%s%d" % (mode, n))
                subprocess.run(["strace", "-f", "-c", "-o", out, burst, str(n), mode],
                               check=True, stdout=subprocess.DEVNULL)
                runs.append(strace_counts(out))
            diff = {name: runs[1].get(name, 0) - runs[0].get(name, 0)
                    for name in set(runs[0]) | set(runs[1])}
            show(what, {k: v for k, v in diff.items() if v > 0}, count)


# --- Pings through the image ----------------------------------------------------------

def client(transport, count, address):
    """Runs in the host's namespace: warms up, says "ready", waits for a line, sends the
    burst, says "done", waits for the end of its input."""
    request = ping_request()
    if transport == "udp":
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        s.bind(("0.0.0.0", 0))
        s.settimeout(5)

        def one():
            s.sendto(request, (address, UDP_PORT))
            while len(s.recv(1024)) != PACKET:
                pass
    else:
        s = socket.create_connection((address, TCP_PORT), timeout=5)
        s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        framed = struct.pack(">I", PACKET) + request

        def one():
            s.sendall(framed)
            have = b""
            while len(have) < 4 + PACKET:
                chunk = s.recv(4 + PACKET - len(have))
                if not chunk:
                    raise SystemExit("connection closed")
                have += chunk
    for _ in range(50):
        one()
    print("ready", flush=True)
    sys.stdin.readline()
    for _ in range(count):
        one()
    print("done", flush=True)
    sys.stdin.read()


def pings(build, count):
    from lifeboat_process import Image
    from netns import Network, require_namespaces
    require_namespaces()
    net = Network("sc")
    image = None
    disk = tempfile.TemporaryDirectory(prefix="lifeboat-syscalls-")
    try:
        controller = net.namespace("c")
        host = net.namespace("h")
        net.link(controller, "10.79.0.2/24", host, "10.79.0.1/24")
        # A configured address makes the image listen on TCP too.
        with open(os.path.join(disk.name, "zu-rt.ini"), "w") as f:
            f.write("[TCP_Stack_Config]\r\nIP_Address=USE_DHCP\r\n")
        os.environ["LIFEBOAT_IMAGE"] = os.path.join(build, "lifeboat.exe")
        import lifeboat_process
        lifeboat_process.IMAGE = os.environ["LIFEBOAT_IMAGE"]
        image = Image(wrapper=net.exec_prefix(controller), disk=disk.name)
        if not image.wait_for("\nSystem state: ", 30):
            raise SystemExit("the image did not come up:\n" + image.output)
        for transport, what in (("udp", "Ping over UDP:"), ("tcp", "Ping over TCP:")):
            out = os.path.join(disk.name, "strace-" + transport)
            talker = subprocess.Popen(
                list(net.exec_prefix(host)) + [sys.executable, os.path.abspath(__file__),
                                               "--client", transport, str(count), "10.79.0.2"],
                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
            try:
                if talker.stdout.readline().strip() != "ready":
                    raise SystemExit("the client got no answers over " + transport)
                tracer = subprocess.Popen(["strace", "-f", "-c", "-o", out, "-p",
                                           str(image.proc.pid)],
                                          stderr=subprocess.PIPE, text=True)
                tracer.stderr.readline()  # "Process N attached with M threads"
                time.sleep(0.2)
                talker.stdin.write("go\n")
                talker.stdin.flush()
                done = talker.stdout.readline().strip() == "done"
                tracer.send_signal(signal.SIGINT)
                tracer.wait(30)
            finally:
                talker.stdin.close()
                talker.wait(30)
            if not done:
                raise SystemExit("the burst over %s did not finish" % transport)
            show(what, strace_counts(out), count)
        image.power_off()
    finally:
        if image is not None:
            image.close()
        net.close()
        disk.cleanup()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("--count", type=int, default=2000)
    parser.add_argument("--client", nargs=3, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.client:
        client(args.client[0], int(args.client[1]), args.client[2])
        return
    if shutil.which("strace") is None:
        raise SystemExit("needs strace: scripts/install-bench-deps.sh")
    build = os.path.abspath(args.build)
    print("system calls per request (idle wake-ups during a burst included):")
    settings_reads(build, args.count * 10)
    pings(build, args.count)


if __name__ == "__main__":
    main()
