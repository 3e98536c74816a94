"""Runs the real image as a child process and reads its console."""
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

IMAGE = os.environ.get("LIFEBOAT_IMAGE", "")

# The system state of a healthy boot, as the PC check leaves it.
HEALTHY = "Tested configuration is compatible with Tessel Real-Time."

# An image serves the command protocol on its network. Unless a test places it in a network
# namespace of its own choosing, it gets a private one where that is allowed, so that images
# of parallel tests never share ports or reach a real network: loopback and one interface
# that is up (a veth whose peer stays down), the controller's network device.
_PRIVATE_NETWORK = ("unshare", "--net", "sh", "-c",
                    "ip link set lo up && ip link add eth0 type veth peer name eth1 && "
                    'ip link set eth0 up && exec "$@"', "image")


def _default_wrapper():
    if os.geteuid() == 0 and shutil.which("unshare") and shutil.which("ip"):
        return _PRIVATE_NETWORK
    return ()


class Image:
    """One controller: lifeboat.exe on its own disk directory."""

    def __init__(self, disk=None, args=(), wrapper=None, env=None, image=None):
        self._tmp = None
        if disk is None:
            self._tmp = tempfile.TemporaryDirectory(prefix="lifeboat-e2e-")
            disk = self._tmp.name
        self.disk = disk
        self.output = ""
        if wrapper is None:
            wrapper = _default_wrapper()
        self.proc = subprocess.Popen(
            list(wrapper) + [image or IMAGE, "--disk", disk, "--pace", "0", *args],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            env=dict(os.environ, **env) if env else None)

    def wait_for(self, text, timeout=20.0, count=1):
        """Reads the console until `text` has appeared `count` times; returns whether it
        did."""
        deadline = time.monotonic() + timeout
        fd = self.proc.stdout.fileno()
        while self.output.count(text) < count:
            left = deadline - time.monotonic()
            if left <= 0:
                return False
            ready, _, _ = select.select([fd], [], [], left)
            if ready:
                chunk = os.read(fd, 4096)
                if not chunk:
                    return self.output.count(text) >= count
                self.output += chunk.decode("latin-1")
        return True

    def power_off(self, timeout=10.0):
        """SIGTERM; returns the exit status."""
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
        try:
            status = self.proc.wait(timeout)
        finally:
            if self.proc.poll() is None:
                self.proc.kill()
                self.proc.wait()
        rest = self.proc.stdout.read()
        self.output += rest.decode("latin-1") if rest else ""
        return status

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.proc.stdout.close()
        if self._tmp is not None:
            self._tmp.cleanup()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
