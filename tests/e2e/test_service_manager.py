"""The image under a service manager: readiness with the final state, a reboot seen as a
reload of the same process, and a power-off, all heard on a notification socket of the
test's own."""
import os
import signal
import socket
import tempfile
import time
import unittest

from lifeboat_process import HEALTHY, Image

RUNNING = "\nSystem state: %s\n" % HEALTHY


class NotifySocket:
    """A unix datagram socket in the role of the service manager's; each message is kept with
    the process id the kernel vouches for."""

    def __init__(self):
        self._dir = tempfile.TemporaryDirectory(prefix="lifeboat-notify-")
        self.path = os.path.join(self._dir.name, "notify")
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_PASSCRED, 1)
        self.sock.bind(self.path)

    def receive(self, timeout=20.0):
        """The next message as (pid, {key: value}), or None after `timeout`."""
        self.sock.settimeout(timeout)
        try:
            data, ancillary, _, _ = self.sock.recvmsg(4096, socket.CMSG_SPACE(12))
        except socket.timeout:
            return None
        pid = None
        for level, kind, payload in ancillary:
            if level == socket.SOL_SOCKET and kind == socket.SCM_CREDENTIALS:
                pid = int.from_bytes(payload[:4], "little")
        fields = dict(line.split("=", 1) for line in data.decode().splitlines() if line)
        return pid, fields

    def close(self):
        self.sock.close()
        self._dir.cleanup()


class ServiceManagerTest(unittest.TestCase):
    def setUp(self):
        self.manager = NotifySocket()
        self.addCleanup(self.manager.close)

    def expect(self, image, key, value=None):
        message = self.manager.receive()
        self.assertIsNotNone(message, "no notification; console:\n" + image.output)
        pid, fields = message
        self.assertEqual(pid, image.proc.pid, fields)
        self.assertIn(key, fields)
        if value is not None:
            self.assertEqual(fields[key], value, fields)
        return fields

    def test_ready_reload_on_reboot_and_stopping_on_power_off(self):
        with Image(env={"NOTIFY_SOCKET": self.manager.path}) as image:
            ready = self.expect(image, "READY", "1")
            self.assertEqual(ready.get("STATUS"), HEALTHY)
            self.assertTrue(image.wait_for(RUNNING, 1), image.output)  # printed before ready

            # A crash reboots the controller: the same process runs the image again.
            image.proc.send_signal(signal.SIGSEGV)
            reloading = self.expect(image, "RELOADING", "1")
            self.assertLess(abs(int(reloading["MONOTONIC_USEC"]) / 1e6 - time.monotonic()), 30)
            again = self.expect(image, "READY", "1")
            self.assertEqual(again.get("STATUS"), HEALTHY)
            self.assertTrue(image.wait_for("\nReboot due to system error.\n"), image.output)

            image.proc.send_signal(signal.SIGTERM)
            self.expect(image, "STOPPING", "1")
            self.assertEqual(image.power_off(), 0, image.output)
            self.assertIsNone(self.manager.receive(timeout=0.5))


if __name__ == "__main__":
    unittest.main()
