#!/usr/bin/env python3
"""Resident memory of the image: idle after start-up, and what each open TCP connection to
the command server adds.

    bench/memory.py [--build DIR] [--connections N]

The image runs in a network namespace of its own; a client in a second namespace opens N
connections (each served by a thread of its own) and sends a Ping on each, so that every
connection has done its work once. Resident memory is the proportional set size from
/proc/PID/smaps_rollup (what the image would free by ending), read after each step has
settled. Needs root (namespaces).
"""
import argparse
import os
import socket
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

TCP_PORT = 44516
PACKET = 184


def resident_kib(pid):
    """Rss and Pss of a process in KiB."""
    found = {}
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            name, _, rest = line.partition(":")
            if name in ("Rss", "Pss"):
                found[name] = int(rest.split()[0])
    return found["Rss"], found["Pss"]


def settled(pid, seconds=1.0):
    time.sleep(seconds)
    return resident_kib(pid)


def client(count, address):
    """Runs in the client's namespace: opens the connections, pings on each, says "open",
    keeps them until its input ends."""
    request = bytearray(PACKET)
    request[0:2] = b"ED"
    request[2] = 0x01
    request[5] = 2
    framed = struct.pack(">I", PACKET) + bytes(request)
    connections = []
    for _ in range(count):
        s = socket.create_connection((address, TCP_PORT), timeout=5)
        s.sendall(framed)
        have = b""
        while len(have) < 4 + PACKET:
            chunk = s.recv(4 + PACKET - len(have))
            if not chunk:
                raise SystemExit("connection closed")
            have += chunk
        connections.append(s)
    print("open", flush=True)
    sys.stdin.read()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("--connections", type=int, default=40)
    parser.add_argument("--client", nargs=2, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.client:
        client(int(args.client[0]), args.client[1])
        return
    import lifeboat_process
    from netns import Network, require_namespaces
    require_namespaces()
    lifeboat_process.IMAGE = os.path.join(os.path.abspath(args.build), "lifeboat.exe")
    net = Network("mem")
    image = None
    disk = tempfile.TemporaryDirectory(prefix="lifeboat-memory-")
    try:
        controller = net.namespace("c")
        host = net.namespace("h")
        net.link(controller, "10.80.0.2/24", host, "10.80.0.1/24")
        with open(os.path.join(disk.name, "zu-rt.ini"), "w") as f:
            f.write("[TCP_Stack_Config]\r\nIP_Address=USE_DHCP\r\n")
        image = lifeboat_process.Image(wrapper=net.exec_prefix(controller), disk=disk.name)
        if not image.wait_for("\nSystem state: ", 30):
            raise SystemExit("the image did not come up:\n" + image.output)
        pid = image.proc.pid
        idle_rss, idle_pss = settled(pid)
        talker = subprocess.Popen(
            list(net.exec_prefix(host)) + [sys.executable, os.path.abspath(__file__),
                                           "--client", str(args.connections), "10.80.0.2"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        try:
            if talker.stdout.readline().strip() != "open":
                raise SystemExit("the connections were not served")
            busy_rss, busy_pss = settled(pid)
            threads = len(os.listdir("/proc/%d/task" % pid))
        finally:
            talker.stdin.close()
            talker.wait(30)
        print("idle image: %.2f MiB resident (%.2f MiB proportional)"
              % (idle_rss / 1024, idle_pss / 1024))
        print("with %d TCP connections open (%d threads): %.2f MiB resident"
              % (args.connections, threads, busy_rss / 1024))
        print("each open TCP connection: %.1f KiB resident"
              % ((busy_rss - idle_rss) / args.connections))
        image.power_off()
    finally:
        if image is not None:
            image.close()
        net.close()
        disk.cleanup()


if __name__ == "__main__":
    main()
