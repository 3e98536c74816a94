"""The image boots on a fresh disk, reports its state and powers off cleanly."""
import os
import struct
import tempfile
import time
import unittest

from lifeboat_process import HEALTHY, Image


class BootTest(unittest.TestCase):
    def test_boots_healthy_and_sigterm_powers_off(self):
        with Image() as image:
            self.assertTrue(image.wait_for("\nSystem state: %s\n" % HEALTHY), image.output)
            self.assertIn("Starting up File System...", image.output)
            self.assertIn("\tAvailable Logical drives: \n\tB: (RAM disk)\tC: ", image.output)
            self.assertIn("\tFile I/O test:\tsuccessful\n", image.output)
            self.assertEqual(image.power_off(), 0, image.output)
            # Power-off writes no reboot record: the boot's cleared one stays.
            record = open(os.path.join(image.disk, "zu-rt", "system", "nvdata.bin"), "rb").read()
            self.assertEqual(len(record), 48)
            version, _, kind, count = struct.unpack_from("<4I", record)
            self.assertEqual((version, kind, count), (3, 0, 0))

    def test_block_devices_and_the_disk_cache_come_up(self):
        with tempfile.TemporaryDirectory(prefix="lifeboat-e2e-") as disk, \
                tempfile.TemporaryDirectory(prefix="lifeboat-e2e-images-") as images:
            with open(os.path.join(disk, "zu-rt.ini"), "w", newline="") as f:
                f.write("[rtlog]\r\nFilterLogLevel=Informational\r\n")
            raw = os.path.join(images, "disk.img")
            with open(raw, "wb") as f:
                f.write(bytes(64 * 1024))
            missing = os.path.join(images, "missing.img")
            with Image(disk=disk, args=("--block-device", raw, "--block-device", missing)) as image:
                self.assertTrue(image.wait_for("\nSystem state: %s\n" % HEALTHY), image.output)
                self.assertIn("Cannot use %s as a block device" % missing, image.output)
                self.assertEqual(image.power_off(), 0, image.output)
            with open(os.path.join(disk, "zu-rt", "system", "errlog.txt"), "rb") as f:
                log = f.read().decode("latin-1")
            for text in ("disk cache size 64.0 kb", "disk cache write size 16.0 kb",
                         "disk cache thread enabled", "disk cache flush interval 1"):
                self.assertIn(text, log)

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

    def test_memory_check_at_the_heap_limit(self):
        # The heap limit is the memory the machine reports: below 8 MiB the check fails.
        for limit, total, state in (("7M", "7.00", "Memory Configuration Error"),
                                    ("8M", "8.00", HEALTHY)):
            with self.subTest(limit=limit), Image(args=("--heap-limit", limit)) as image:
                self.assertTrue(image.wait_for("\nSystem state: %s\n" % state), image.output)
                self.assertIn("Total Memory: %s Mb\n" % total, image.output)
                self.assertEqual(
                    "Insufficient memory to run Tessel Real-Time." in image.output,
                    state != HEALTHY, image.output)
                self.assertEqual(image.power_off(), 0, image.output)

    def test_bad_command_line_is_refused(self):
        with Image(args=("--pace", "fast")) as image:
            self.assertEqual(image.proc.wait(10), 2)


if __name__ == "__main__":
    unittest.main()
