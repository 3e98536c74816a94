"""Changing a controller with the host tool: host name, comment and stored IP settings, the
root password and what it guards, reboot protection, resets, the main executable, file
attributes, firmware requests and the factory commands. The image runs in one network
namespace, the tool in another, both in one subnet (the firmware side connection and the
install report go by unicast)."""
import os
import pty
import select
import stat
import subprocess
import tempfile
import time
import unittest

from controllers import TOOL, Controllers
from netns import require_namespaces

PASSWORD = "Harbour-7\n"
WRONG = "harbour-7\n"
LOCKED = "NAK: StatusAccessDenied (1): the controller is locked (a root password is set)"


def setUpModule():
    require_namespaces()


def comment_text(data):
    """The stored form of comment bytes: per byte "0" plus the low, then the high nibble."""
    return "".join(chr(0x30 + (b & 0x0F)) + chr(0x30 + (b >> 4)) for b in data)


class OneController(Controllers):
    def setUp(self):
        super().setUp()
        self.target = self.net.namespace("c")
        dev, _ = self.net.link(self.target, "10.74.0.2/24", self.host, "10.74.0.5/24")
        self.mac = self.net.mac(self.target, dev)
        self.image = self.boot(self.target)
        self.wait_running(self.image)

    def settings_path(self):
        """C:\zu-rt.ini: a host file whose name's case is the creator's."""
        for name in os.listdir(self.image.disk):
            if name.lower() == "zu-rt.ini":
                return os.path.join(self.image.disk, name)
        self.fail("no zu-rt.ini on the disk: " + str(os.listdir(self.image.disk)))

    def settings_bytes(self):
        with open(self.settings_path(), "rb") as f:
            return f.read()

    def section(self, name):
        """The keys of one section of C:\\zu-rt.ini (names compared without case)."""
        keys, inside = {}, False
        for line in self.settings_bytes().decode("latin-1").splitlines():
            line = line.strip()
            if line.startswith("["):
                inside = line[1:-1].lower() == name.lower()
            elif inside and "=" in line:
                key, value = line.split("=", 1)
                keys[key.strip().lower()] = value.strip()
        return keys

    def run_tool(self, *args, stdin=None, timeout=2):
        return self.tool(*args, "--mac", self.mac, stdin=stdin, timeout=timeout)

    def ok(self, *args, stdin=None):
        status, out, err = self.run_tool(*args, stdin=stdin)
        self.assertEqual(status, 0, (args, out, err))
        return out

    def nak(self, *args, stdin=None, timeout=2):
        """Runs a command that must be refused; returns its first output line."""
        status, out, err = self.run_tool(*args, stdin=stdin, timeout=timeout)
        self.assertEqual(status, 1, (args, out, err))
        return out.splitlines()[0]

    def ping(self):
        return self.tool_json("ping", "--mac", self.mac)

    def on_terminal(self, *args, answers=(), timeout=20):
        """Runs the tool on a terminal of its own, answering each prompt (a line ending in
        ":") with the next answer; returns (exit status, everything the terminal showed)."""
        pid, fd = pty.fork()
        if pid == 0:
            os.execvp("ip", list(self.net.exec_prefix(self.host)) +
                      [TOOL, *args, "--mac", self.mac])
        shown, pending = b"", list(answers)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if select.select([fd], [], [], 0.2)[0]:
                try:
                    chunk = os.read(fd, 1024)
                except OSError:
                    break  # the tool ended and closed the terminal
                if not chunk:
                    break
                shown += chunk
            if pending and shown.rstrip().endswith(b":"):
                os.write(fd, pending.pop(0).encode() + b"\n")
                shown += b"|"  # marks where an answer went, so one prompt is answered once
        os.close(fd)
        _, status = os.waitpid(pid, 0)
        return os.waitstatus_to_exitcode(status), shown.decode("latin-1")

    def firmware_image(self):
        image = tempfile.NamedTemporaryFile(prefix="lifeboat-fw-", delete=False)
        image.write(bytes(range(256)) * 8)
        image.close()
        self.addCleanup(os.unlink, image.name)
        return image.name


class Identity(OneController):
    def test_name_comment_and_stored_address(self):
        self.ok("set-name", "cell-7")
        self.ok("set-comment", "Line 3 press")
        found = self.tool_json("discover")
        self.assertEqual([(c["mac"], c["hostName"], c["comment"], c["notes"]) for c in found],
                         [(self.mac, "cell-7", "Line 3 press", [])])
        system = self.section("SystemSettings")
        self.assertEqual(system["comment"], comment_text(b"Line 3 press".ljust(64, b"\0")))

        out = self.ok("set-ip", "static", "10.74.0.50/24", "--gateway", "10.74.0.1",
                      "--dns", "10.74.0.1")
        self.assertIn("\"IP configured\" flag is the only read-back", out)
        self.assertIn("IP configured: yes; the controller answers on 10.74.0.2", out)
        stored = self.section("TCP_Stack_Config")
        self.assertEqual((stored["ip_address"], stored["subnet_mask"], stored["gateway"],
                          stored["dns_address"]),
                         ("10.74.0.50", "255.255.255.0", "10.74.0.1", "10.74.0.1"))
        c = self.ping()
        self.assertEqual((c["ipConfigured"], c["ip"], c["mode"]), (True, "10.74.0.2", "DHCP"))

        # Renaming leaves the stored address and the comment as they were.
        self.ok("set-name", "cell-8")
        self.assertEqual(self.section("TCP_Stack_Config"), stored)
        self.assertEqual(self.section("SystemSettings")["comment"], system["comment"])
        c = self.ping()
        self.assertEqual((c["hostName"], c["comment"]), ("cell-8", "Line 3 press"))

        self.ok("set-ip", "dhcp")
        self.assertEqual(set(self.section("TCP_Stack_Config").values()), {"USE_DHCP"})
        self.ok("preset")
        self.assertFalse(self.ping()["ipConfigured"])
        self.assertEqual(self.ping()["hostName"], "cell-8")

        # Refused by the tool before anything is sent.
        for args in (["set-ip", "static", "10.74.0.255/24"],
                     ["set-ip", "static", "10.74.0.50/24", "--gateway", "10.75.0.1"],
                     ["set-ip", "static", "10.74.0.50"],
                     ["set-name", "a" * 33]):
            self.assertEqual(self.run_tool(*args)[0], 2, args)

    def test_protection_and_what_a_lock_guards(self):
        out = self.ok("protection", "--reboot", "on")
        self.assertIn("Halt-on-error sent as on", out)
        self.assertTrue(self.tool_json("state", "--mac", self.mac)["protectReboot"])
        self.ok("protection", "--halt-on-error", "off")  # reboot protection read back: kept
        self.assertEqual(self.section("SystemSettings")["protect_reboot"], "TRUE")

        # Unlocked, a firmware transfer is refused once the header is read: a desktop PC has
        # no firmware target.
        firmware = self.firmware_image()
        self.assertTrue(self.nak("firmware", firmware, "--key", "1").startswith("NAK: refused"))

        # Typed at the terminal, twice, and never shown.
        typed = PASSWORD.strip()
        status, shown = self.on_terminal("lock", answers=[typed, typed])
        self.assertEqual(status, 0, shown)
        self.assertNotIn(typed, shown)
        self.assertIn("Again:", shown)
        self.assertTrue(self.ping()["locked"])
        before = self.settings_bytes()
        for args in (["set-name", "intruder"], ["set-ip", "dhcp"], ["preset"],
                     ["protection", "--reboot", "off"]):
            self.assertEqual(self.nak(*args), LOCKED, args)
        self.assertEqual(self.nak("lock", "--password-stdin", stdin=WRONG),
                         "NAK: StatusAccessDenied (1): a root password is set already")
        started = time.monotonic()
        self.assertEqual(self.nak("firmware", firmware, "--key", "1"),
                         "NAK: refused: the controller is locked, the target code or key "
                         "matches no firmware target, or the transfer failed")
        self.assertLess(time.monotonic() - started, 10)  # not the controller's 20 s wait
        self.assertTrue(self.nak("factory-mac", "02:00:00:00:00:99").startswith(
            "NAK: refused: wrong access code, or the platform cannot store"))
        self.assertEqual(self.settings_bytes(), before)

        # Not guarded by the password.
        path = self.settings_path()
        self.ok("chmod", "zu-rt.ini", "--read-only")
        self.assertEqual(os.stat(path).st_mode & 0o222, 0)
        self.ok("chmod", "..\\ZU-RT.INI", "--writable")  # ".." stops at the drive's root
        self.assertTrue(os.stat(path).st_mode & stat.S_IWUSR)

        self.assertEqual(self.nak("unlock", "--password-stdin", stdin=WRONG),
                         "NAK: StatusAccessDenied (1): wrong password")
        self.assertTrue(self.ping()["locked"])
        with tempfile.NamedTemporaryFile("w", prefix="lifeboat-pw-") as password_file:
            password_file.write(PASSWORD)
            password_file.flush()
            self.ok("unlock", "--password-file", password_file.name)
        self.assertFalse(self.ping()["locked"])
        self.ok("set-name", "cell-9")


class Control(OneController):
    def test_main_exe_chmod_and_a_protected_reset(self):
        self.ok("main-exe", "C:\\app\\main.exe")
        self.assertEqual(self.section("StartUp")["mainexe"], "C:\\app\\main.exe")

        self.assertEqual(self.nak("chmod", "no-such-file.txt", "--read-only"),
                         "NAK: StatusFailed (5): the attribute could not be changed (no such "
                         "file on drive C:?)")
        outside = tempfile.NamedTemporaryFile(prefix="lifeboat-outside-", delete=False)
        outside.close()
        self.addCleanup(os.unlink, outside.name)
        mode = os.stat(outside.name).st_mode
        self.nak("chmod", outside.name, "--read-only")  # a host path outside drive C:
        self.assertEqual(os.stat(outside.name).st_mode, mode)

        self.ok("protection", "--reboot", "on")
        self.ok("lock", "--password-stdin", stdin=PASSWORD)
        # The password is checked first, then whether an install reboot is possible.
        self.assertEqual(self.nak("reset", "--password-stdin", stdin=WRONG),
                         "NAK: StatusAccessDenied (1): wrong password (reboot protection is on)")
        self.assertEqual(self.nak("reset", "--install", "--password-stdin", stdin=PASSWORD),
                         "NAK: StatusInstallRefused (3): install reboot refused once the "
                         "controller has booted")
        self.assertEqual(self.image.output.count("\nSystem state: "), 1)

        pid = self.image.proc.pid
        self.assertIn("Resetting", self.ok("reset", "--password-stdin", stdin=PASSWORD))
        # The same process starts the image again.
        self.assertTrue(self.image.wait_for("\nSystem state: ", 30, count=2), self.image.output)
        self.assertIsNone(self.image.proc.poll())
        self.assertEqual(self.image.proc.pid, pid)
        found = self.tool_json("discover")
        self.assertEqual([(c["mac"], c["locked"]) for c in found], [(self.mac, True)])


class TwoControllers(Controllers):
    def test_one_address_twice(self):
        switch = self.net.namespace("s")
        _, port = self.net.link(self.host, "10.76.0.5/24", switch)
        ports, macs, images = [port], [], []
        for i in range(2):
            ns = self.net.namespace("c%d" % i)
            dev, port = self.net.link(ns, "10.76.0.2/24", switch)
            ports.append(port)
            macs.append(self.net.mac(ns, dev))
            images.append(self.boot(ns))
        self.net.bridge(switch, ports)
        for image in images:
            self.wait_running(image)

        found = self.tool_json("discover")
        self.assertEqual(sorted((c["mac"], c["notes"][0]) for c in found),
                         sorted((mac, "address 10.76.0.2 is also held by " + other)
                                for mac, other in zip(macs, reversed(macs))))
        # Another controller answers on the address: stored only when forced.
        args = ["set-ip", "static", "10.76.0.2/24", "--mac", macs[0]]
        status, _, err = self.tool(*args)
        self.assertEqual(status, 1, err)
        self.assertIn("answers on 10.76.0.2 already", err)
        status, _, err = self.tool(*args, "--force")
        self.assertEqual(status, 0, err)
        self.assertEqual(self.tool(*args[:2], "10.76.0.3/24", "--mac", macs[0])[0], 0)


class InstallReport(Controllers):
    def test_the_tool_hears_and_answers_the_report(self):
        target = self.net.namespace("c")
        self.net.link(target, "10.77.0.2/24", self.host, "10.77.0.5/24")
        # What a Reset with status 2 from this host leaves behind: an install reboot record.
        record = b"".join(v.to_bytes(4, "little") for v in (3, 0, 1, 0, 0, 1))
        record += b"10.77.0.5".ljust(24, b"\0")
        waiting = subprocess.Popen(
            list(self.net.exec_prefix(self.host)) + [TOOL, "await-install", "--wait", "30"],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.addCleanup(waiting.kill)
        time.sleep(0.3)
        image = self.boot(target, record=record)
        out, err = waiting.communicate(timeout=40)
        self.assertEqual((waiting.returncode, out), (0, "New address: 10.77.0.2\n"), err)
        # Answered: start-up goes on at once instead of after three unanswered reports.
        self.assertTrue(image.wait_for("\nSystem state: ", 3), image.output)


if __name__ == "__main__":
    unittest.main()
