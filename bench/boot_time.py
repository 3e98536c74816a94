#!/usr/bin/env python3
"""Boot time: from starting lifeboat.exe with --pace 0 on a fresh disk to its "System state"
line, with the drivers of B: loaded and one network device (a veth in a private network
namespace when run as root, else the host's interfaces). Prints the figures of each run and
their minimum, median and maximum.

    bench/boot_time.py [--image build/lifeboat.exe] [--runs 10]
"""
import argparse
import os
import select
import shutil
import signal
import statistics
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
NAMESPACE = ("unshare", "--net", "sh", "-c",
             "ip link set lo up && ip link add eth0 type veth peer name eth1 && "
             'ip link set eth0 up && exec "$@"', "image")


def boot_once(image, wrapper):
    with tempfile.TemporaryDirectory(prefix="lifeboat-bench-") as disk:
        started = time.monotonic()
        proc = subprocess.Popen(list(wrapper) + [image, "--disk", disk, "--pace", "0"],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        output = b""
        try:
            deadline = started + 30
            while b"\nSystem state: " not in output:
                left = deadline - time.monotonic()
                if left <= 0 or proc.poll() is not None:
                    raise RuntimeError("no system state:\n" + output.decode("latin-1"))
                ready, _, _ = select.select([proc.stdout], [], [], left)
                if ready:
                    output += os.read(proc.stdout.fileno(), 65536)
            elapsed = time.monotonic() - started
            if b" device(s).\n" not in output:
                raise RuntimeError("no device was found:\n" + output.decode("latin-1"))
            return elapsed
        finally:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
            proc.stdout.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--image", default=os.path.join(HERE, "..", "build", "lifeboat.exe"))
    parser.add_argument("--runs", type=int, default=10)
    args = parser.parse_args()
    private = os.geteuid() == 0 and shutil.which("unshare") and shutil.which("ip")
    wrapper = NAMESPACE if private else ()
    print("network: %s" % ("private namespace, one veth" if private else "the host's"))
    times = []
    for run in range(args.runs):
        t = boot_once(args.image, wrapper)
        times.append(t)
        print("run %2d: %6.1f ms" % (run + 1, t * 1000))
    print("boot to System state (--pace 0): min %.1f ms, median %.1f ms, max %.1f ms"
          % (min(times) * 1000, statistics.median(times) * 1000, max(times) * 1000))


if __name__ == "__main__":
    main()
