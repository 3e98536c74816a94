"""The image boots on a fresh disk, reports its state and powers off cleanly."""
import os
import struct
import tempfile
import time
import unittest

from lifeboat_process import Image


class BootTest(unittest.TestCase):
    def test_boots_to_running_and_sigterm_powers_off(self):
        with Image() as image:
            self.assertTrue(image.wait_for("\nSystem state: Running\n"), image.output)
            self.assertIn("Starting up File System...", image.output)
            self.assertEqual(image.power_off(), 0, image.output)
            # Power-off writes no reboot record: the boot's cleared one stays.
            record = open(os.path.join(image.disk, "zu-rt", "system", "nvdata.bin"), "rb").read()
            self.assertEqual(len(record), 48)
            version, _, kind, count = struct.unpack_from("<4I", record)
            self.assertEqual((version, kind, count), (3, 0, 0))

    def test_power_off_early_in_start_up_keeps_the_reboot_record(self):
        # An install reboot after two system errors, waiting to be read by the next boot.
        record = struct.pack("<6I24s", 3, 1700000000, 4, 2, 0, 1, b"10.0.0.9")
        with tempfile.TemporaryDirectory(prefix="lifeboat-e2e-") as disk:
            system = os.path.join(disk, "zu-rt", "system")
            os.makedirs(system)
            with open(os.path.join(system, "nvdata.bin"), "wb") as f:
                f.write(record)
            with open(os.path.join(disk, "zu-rt.ini"), "wb") as f:
                f.write(b"[Debug]\r\nStdOutRedirectionFile=C:\\out.txt\r\n")
            with Image(disk=disk, args=("--pace", "1")) as image:
                # The redirection is made just before the second of processor calibration,
                # long before the reboot record is read.
                redirected = os.path.join(disk, "out.txt")
                deadline = time.monotonic() + 20
                while not os.path.exists(redirected) and time.monotonic() < deadline:
                    time.sleep(0.01)
                self.assertTrue(os.path.exists(redirected), image.output)
                self.assertEqual(image.power_off(), 0, image.output)
            with open(os.path.join(system, "nvdata.bin"), "rb") as f:
                self.assertEqual(f.read(), record)

    def test_bad_command_line_is_refused(self):
        with Image(args=("--pace", "fast")) as image:
            self.assertEqual(image.proc.wait(10), 2)


if __name__ == "__main__":
    unittest.main()
