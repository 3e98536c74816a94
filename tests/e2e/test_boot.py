"""The image boots on a fresh disk, reports its state and powers off cleanly."""
import os
import struct
import unittest

from lifeboat_process import HEALTHY, Image


class BootTest(unittest.TestCase):
    def test_boots_healthy_and_sigterm_powers_off(self):
        with Image() as image:
            self.assertTrue(image.wait_for("\nSystem state: %s\n" % HEALTHY), image.output)
            self.assertIn("Starting up File System...", image.output)
            self.assertEqual(image.power_off(), 0, image.output)
            # Power-off writes no reboot record: the boot's cleared one stays.
            record = open(os.path.join(image.disk, "zu-rt", "system", "nvdata.bin"), "rb").read()
            self.assertEqual(len(record), 48)
            version, _, kind, count = struct.unpack_from("<4I", record)
            self.assertEqual((version, kind, count), (3, 0, 0))

    def test_bad_command_line_is_refused(self):
        with Image(args=("--pace", "fast")) as image:
            self.assertEqual(image.proc.wait(10), 2)


if __name__ == "__main__":
    unittest.main()
