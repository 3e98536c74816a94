"""Controllers for end-to-end tests: images in network namespaces of their own and the host
tool in the host's namespace."""
import json
import os
import subprocess
import tempfile
import unittest
import zlib

from lifeboat_process import Image
from netns import Network

TOOL = os.path.join(os.environ.get("LIFEBOAT_BUILD", ""), "tools", "tesselcfg")


class Controllers(unittest.TestCase):
    """Helpers: images in namespaces and the tool in the host's namespace."""

    def setUp(self):
        self.net = Network("%04x" % (zlib.crc32(self.id().encode()) & 0xFFFF))
        self.addCleanup(self.net.close)
        self.host = self.net.namespace("h")

    def boot(self, ns, settings=None, record=None):
        """Starts an image in `ns` on a fresh disk with the given zu-rt.ini text and reboot
        record bytes."""
        disk = tempfile.TemporaryDirectory(prefix="lifeboat-e2e-")
        self.addCleanup(disk.cleanup)
        if settings:
            with open(os.path.join(disk.name, "zu-rt.ini"), "w") as f:
                f.write(settings)
        if record:
            os.makedirs(os.path.join(disk.name, "zu-rt", "system"))
            with open(os.path.join(disk.name, "zu-rt", "system", "nvdata.bin"), "wb") as f:
                f.write(record)
        # The namespace is the test's own: the image may bring links up and set addresses.
        image = Image(wrapper=self.net.exec_prefix(ns), disk=disk.name,
                      args=("--manage-host-interfaces",))
        self.addCleanup(image.close)
        return image

    def wait_running(self, image):
        self.assertTrue(image.wait_for("\nSystem state: ", 30), image.output)

    def tool(self, *args, timeout=2, stdin=None):
        """Runs tesselcfg in the host's namespace; returns (exit status, stdout, stderr)."""
        done = subprocess.run(
            list(self.net.exec_prefix(self.host)) + [TOOL, "--timeout", str(timeout), *args],
            input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
            timeout=120)
        return done.returncode, done.stdout, done.stderr

    def tool_json(self, *args, **kw):
        status, out, err = self.tool("--json", *args, **kw)
        self.assertEqual(status, 0, err)
        return json.loads(out)
