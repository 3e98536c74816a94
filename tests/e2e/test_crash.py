"""A crash of the running image: crash log, system-error reboot and the recovery after
repeated crashes."""
import os
import signal
import tempfile
import time
import unittest

from lifeboat_process import HEALTHY, Image

RUNNING = "\nSystem state: %s\n" % HEALTHY
NOTICE = "Rebooting system due to exception 0xC0000005\n"
REBOOTED = "\nReboot due to system error.\n"
HALTED = "Error bringing up basic services.  Cannot start system.\nSystem halted.\n"
NETWORK = ("[TCP_Stack_Config]\r\nIP_Address=10.0.0.5\r\nSubnet_Mask=255.0.0.0\r\n"
           "Gateway=10.0.0.1\r\nDNS_Address=10.0.0.2\r\n")


def wait_count(image, text, count, timeout=20.0):
    """Reads the console until `text` has appeared `count` times."""
    deadline = time.monotonic() + timeout
    while image.output.count(text) < count:
        left = deadline - time.monotonic()
        if left <= 0 or image.proc.poll() is not None:
            return image.output.count(text) >= count
        image.wait_for("\0", timeout=min(0.2, left))
    return True


class CrashTest(unittest.TestCase):
    def setUp(self):
        self._disk = tempfile.TemporaryDirectory(prefix="lifeboat-e2e-")
        self.disk = self._disk.name
        self.addCleanup(self._disk.cleanup)

    def boot(self, settings=""):
        with open(os.path.join(self.disk, "zu-rt.ini"), "w", newline="") as f:
            f.write(settings)
        image = Image(disk=self.disk)
        self.addCleanup(image.close)
        self.assertTrue(image.wait_for(RUNNING), image.output)
        return image

    def system_file(self, name):
        with open(os.path.join(self.disk, "zu-rt", "system", name), "rb") as f:
            return f.read().decode("latin-1")

    def crash(self, image, crashes):
        """Sends SIGSEGV; returns once the next boot has passed its recovery step."""
        pid = image.proc.pid
        image.proc.send_signal(signal.SIGSEGV)
        self.assertTrue(wait_count(image, NOTICE, crashes), image.output)
        self.assertTrue(wait_count(image, REBOOTED, crashes) or HALTED in image.output,
                        image.output)
        self.assertIsNone(image.proc.poll(), "a reboot keeps the process")
        self.assertEqual(image.proc.pid, pid)

    def test_segv_leaves_a_crash_log_and_a_system_error_reboot(self):
        image = self.boot()
        self.crash(image, 1)
        self.assertTrue(wait_count(image, RUNNING, 2), image.output)

        log = self.system_file("rtlog.txt")
        self.assertTrue(log.startswith("*** BEGIN SYSTEM EXCEPTION LOG ***\r\n\r\n"), log)
        self.assertTrue(log.endswith("*** END SYSTEM EXCEPTION LOG ***\r\n\r\n"), log)
        for line in ("Target type: Generic Desktop PC\r\n", "Target code: 719C\r\n",
                     "System time (UTC): ", "System tick count: ",
                     "Exception code: 0xC0000005\r\n", "Register contents:\r\nRAX = 0x",
                     "\r\nRBP = 0x", "\r\nCS = 0x", "Thread name: ", "Thread stack base: 0x",
                     "Call Stack:\r\nLevel  1:  Code pointer: 0x", "Loaded Modules:\r\n",
                     " lifeboat.exe (", "Memory statistics:\r\nTotal system memory: ",
                     "Largest free RTOS heap block:  "):
            self.assertIn(line, log)
        self.assertEqual(image.power_off(), 0, image.output)

    def test_three_crashes_with_a_static_address_clear_the_network_settings(self):
        image = self.boot(NETWORK + "[Other]\r\nKey=1\r\n")
        for crashes in range(1, 4):
            self.crash(image, crashes)
            self.assertTrue(wait_count(image, RUNNING, crashes + 1), image.output)
        with open(os.path.join(self.disk, "zu-rt.ini"), newline="") as f:
            settings = f.read()
        for key in ("IP_Address", "Subnet_Mask", "Gateway", "DNS_Address"):
            self.assertNotIn(key, settings)
        self.assertIn("Key=1", settings)
        self.assertNotIn("System halted.", image.output)
        self.assertEqual(image.power_off(), 0, image.output)

    def test_three_crashes_without_a_static_address_halt(self):
        image = self.boot()
        for crashes in range(1, 3):
            self.crash(image, crashes)
            self.assertTrue(wait_count(image, RUNNING, crashes + 1), image.output)
        image.proc.send_signal(signal.SIGSEGV)
        self.assertTrue(image.wait_for(HALTED), image.output)
        time.sleep(0.5)
        self.assertEqual(image.output.count(RUNNING), 3, image.output)
        self.assertEqual(image.power_off(), 0, image.output)

    def test_switched_off_handlers_leave_the_crash_to_the_default_handling(self):
        image = self.boot("[debug]\r\nInstallExceptionHandlers=FALSE\r\n")
        image.proc.send_signal(signal.SIGSEGV)
        self.assertEqual(image.proc.wait(10), -signal.SIGSEGV, image.output)
        self.assertFalse(os.path.exists(os.path.join(self.disk, "zu-rt", "system", "rtlog.txt")))


if __name__ == "__main__":
    unittest.main()
