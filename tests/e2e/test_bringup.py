"""Network bring-up end to end: the drivers on B: load and list their devices on the boot
console, the host network driver's device answers discovery, a replaced primary interface
hands over to the new one, an address that comes after boot is heard, a second device set
up with the tool's enet commands comes up at its address, and a normal image finds its
drivers on a disk the project's script made."""
import os
import shutil
import subprocess
import tempfile
import unittest

from controllers import Controllers
from lifeboat_process import HEALTHY, IMAGE, Image
from netns import require_namespaces

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


def setUpModule():
    require_namespaces()


def compact(mac):
    return mac.replace(":", "")


class BringUp(Controllers):
    def setUp(self):
        super().setUp()
        self.target = self.net.namespace("c")

    def boot_on(self, disk):
        image = Image(wrapper=self.net.exec_prefix(self.target), disk=disk,
                      args=("--manage-host-interfaces",))
        self.addCleanup(image.close)
        self.wait_running(image)
        return image

    def fresh_disk(self):
        disk = tempfile.TemporaryDirectory(prefix="lifeboat-e2e-")
        self.addCleanup(disk.cleanup)
        return disk.name

    def netconf(self, disk):
        with open(os.path.join(disk, "zu-rt", "system", "ethernet", "netconf.ini"), "rb") as f:
            return f.read().decode()

    def test_console_shows_drivers_and_devices_and_discovery_finds_the_device(self):
        dev, _ = self.net.link(self.target, "10.73.0.2/24", self.host, "192.168.73.5/24")
        mac = self.net.mac(self.target, dev)
        image = self.boot_on(self.fresh_disk())
        out = image.output
        for line in ("\nLoading Ethernet Drivers:",
                     "\n\tIntel 8255x Ethernet \tinitialized successfully.",
                     "\n\tBroadcom 57xx Ethernet \tinitialized successfully.",
                     "\n\tHost Network Ethernet \tinitialized successfully.",
                     "\nFinding devices for Ethernet drivers:\n",
                     "\tHost Network Ethernet driver ... found 1 device(s).\n",
                     "Starting up IP Stack...",
                     "Initializing network...\n",
                     "Device 1 - MAC address: %s - 10.73.0.2 (primary)\n" % mac,
                     "\nSystem state: %s\n" % HEALTHY):
            self.assertIn(line, out)
        self.assertNotIn("Device 2", out)
        found = self.tool_json("discover")
        self.assertEqual([(c["mac"], c["ip"]) for c in found], [(mac, "10.73.0.2")])
        caps = self.tool_json("caps", "--mac", mac)
        self.assertEqual(caps["identifiers"][5], 6)  # AdvancedEnet at 0xF5
        self.assertEqual(image.power_off(), 0, image.output)

    def test_a_replaced_primary_interface_hands_over_to_the_new_one(self):
        disk = self.fresh_disk()
        dev, _ = self.net.link(self.target, "10.75.0.2/24", self.host, "192.168.75.5/24")
        old = self.net.mac(self.target, dev)
        image = self.boot_on(disk)
        self.assertEqual(image.power_off(), 0, image.output)
        self.assertIn("PrimaryMAC=%s" % compact(old), self.netconf(disk))

        # Another adapter with another MAC in its place.
        subprocess.run(["ip", "-n", self.target, "link", "del", dev], check=True)
        dev, _ = self.net.link(self.target, "10.75.0.3/24", self.host, "192.168.75.6/24")
        new = self.net.mac(self.target, dev)
        self.assertNotEqual(new, old)
        image = self.boot_on(disk)
        self.assertIn("Device 1 - MAC address: %s - 10.75.0.3 (primary)\n" % new, image.output)
        netconf = self.netconf(disk)
        self.assertIn("PrimaryMAC=%s\r\n" % compact(new), netconf)
        self.assertIn("MACAddresses=%s;\r\n" % compact(new), netconf)
        found = self.tool_json("discover")
        self.assertEqual([(c["mac"], c["ip"]) for c in found], [(new, "10.75.0.3")])

    def test_an_address_that_comes_after_boot_is_heard(self):
        dev, _ = self.net.link(self.target, None, self.host, "192.168.74.5/24")
        mac = self.net.mac(self.target, dev)
        image = self.boot_on(self.fresh_disk())
        self.assertIn("Device 1 - MAC address: %s - 0.0.0.0 (primary)\n" % mac, image.output)

        subprocess.run(["ip", "-n", self.target, "addr", "add", "10.74.0.2/24", "dev", dev],
                       check=True)
        found = self.tool_json("discover")
        self.assertEqual([(c["mac"], c["ip"]) for c in found], [(mac, "10.74.0.2")])
        self.assertEqual(self.tool_json("attr", "class", "--mac", mac)["value"], "Desktop")


class SecondaryDevice(BringUp):
    def test_a_second_device_set_to_tcpip_comes_up_at_its_address_and_answers_tcp(self):
        first, _ = self.net.link(self.target, "10.76.0.2/24", self.host, "10.76.0.5/24")
        second, _ = self.net.link(self.target, None, self.host, "10.77.0.5/24")
        primary, other = self.net.mac(self.target, first), self.net.mac(self.target, second)
        disk = self.fresh_disk()
        with open(os.path.join(disk, "zu-rt.ini"), "w") as f:
            f.write("[TCP_Stack_Config]\r\nIP_Address=USE_DHCP\r\n")  # IP settings stored
        image = self.boot_on(disk)
        self.assertIn("Device 2 - MAC address: %s - disabled\n" % other, image.output)

        def enet(*args):
            return self.tool_json("enet", "--mac", primary, *args)

        devices = enet("devices")
        self.assertEqual([(d["mac"], d["primary"]) for d in devices["devices"]],
                         [(primary, True), (other, False)])
        self.assertEqual(enet("primary")["primary"], primary)
        self.assertEqual(enet("limits"), {"mac": primary, "sockets": 64, "ttl": 5})
        enet("limits", "--ttl", "9")
        self.assertEqual(enet("limits")["sockets"], 64)  # only the TTL changed
        self.assertEqual(enet("limits")["ttl"], 9)
        media = enet("media", other)
        self.assertEqual((media["media"], media["supported"], media["default"]),
                         ("auto", "auto", "auto"))
        self.assertEqual(enet("operation", other)["operation"], "interrupt")
        enet("operation", other, "polling", "20")
        self.assertEqual(enet("operation", other)["pollingInterval"], 20)
        self.assertEqual(enet("media", other)["media"], "auto")  # kept by the change
        device = enet("device", other)
        self.assertEqual((device["mode"], device["supportedModes"]),
                         ("disabled", ["disabled", "tcpip"]))
        status, _, err = self.tool("enet", "--mac", primary, "device", other, "tcpip")
        self.assertEqual(status, 2, err)
        enet("device", other, "tcpip", "10.77.0.2/24")
        device = enet("device", other)
        self.assertEqual((device["mode"], device["address"], device["subnetMask"]),
                         ("tcpip", "10.77.0.2", "255.255.255.0"))

        # After a reset the second device comes up at its address and TCP answers there.
        self.tool_json("reset", "--mac", primary)
        self.assertTrue(image.wait_for("\nSystem state: ", 30, count=2), image.output)
        self.assertIn("Device 2 - MAC address: %s - 10.77.0.2\n" % other, image.output)
        shown = subprocess.run(["ip", "-n", self.target, "-4", "-o", "addr", "show", "dev",
                                second], stdout=subprocess.PIPE, text=True, check=True)
        self.assertIn("10.77.0.2/24", shown.stdout)
        found = self.tool_json("--tcp", "10.77.0.2", "ping", "--mac", primary)
        self.assertEqual(found["mac"], primary)
        self.assertEqual(image.power_off(), 0, image.output)
        # Deactivation took away the address that activation put there.
        shown = subprocess.run(["ip", "-n", self.target, "-4", "-o", "addr", "show", "dev",
                                second], stdout=subprocess.PIPE, text=True, check=True)
        self.assertNotIn("10.77.0.2", shown.stdout)


class NormalImage(unittest.TestCase):
    def test_a_normal_image_reads_the_driver_list_of_a_script_made_disk(self):
        with tempfile.TemporaryDirectory(prefix="lifeboat-e2e-") as tmp:
            image = os.path.join(tmp, "controller.exe")
            shutil.copy(IMAGE, image)
            disk = os.path.join(tmp, "disk")
            subprocess.run([os.path.join(SOURCE, "scripts", "make-disk.sh"), disk], check=True)
            with open(os.path.join(disk, "zu-rt", "system", "ethernet", "ethernet.ini"),
                      "rb") as f, open(os.path.join(SOURCE, "image", "cfs", "ethernet.ini"),
                                       "rb") as g:
                self.assertEqual(f.read(), g.read())
            with Image(disk=disk, image=image) as controller:
                self.assertTrue(controller.wait_for("\nSystem state: %s\n" % HEALTHY),
                                controller.output)
                self.assertIn("\tHost Network Ethernet driver ... found 1 device(s).\n",
                              controller.output)
                self.assertEqual(controller.power_off(), 0)


if __name__ == "__main__":
    unittest.main()
