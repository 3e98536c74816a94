"""The image in one network namespace, the host tool in another: discovery by broadcast
across subnets, queries over UDP and TCP, several controllers on one bridge, and the host
notification after an install reboot when nobody answers it (the tool hearing and answering
it is in test_configuration)."""
import struct
import subprocess
import time
import unittest

from controllers import Controllers
from lifeboat_process import HEALTHY
from netns import require_namespaces


def setUpModule():
    require_namespaces()


class OneController(Controllers):
    def setUp(self):
        super().setUp()
        self.target = self.net.namespace("c")
        # Different subnets and no route: only the broadcast reply can reach the host.
        dev, self.host_dev = self.net.link(self.target, "10.71.0.2/24", self.host,
                                           "192.168.71.5/24")
        self.mac = self.net.mac(self.target, dev)

    def test_udp_discovery_and_queries_across_subnets(self):
        image = self.boot(self.target)
        self.wait_running(image)

        found = self.tool_json("discover")
        self.assertEqual(len(found), 1, found)
        c = found[0]
        self.assertEqual(c["mac"], self.mac)
        self.assertEqual(c["ip"], "10.71.0.2")
        self.assertEqual(c["subnetMask"], "255.255.255.0")
        self.assertEqual(c["targetType"], "Generic Desktop PC")
        self.assertEqual(c["serial"], int(self.mac.replace(":", "")[4:], 16))
        self.assertEqual((c["locked"], c["mode"], c["state"]), (False, "DHCP", HEALTHY))
        # Found, but by its address the host could not reach it: discovery says so.
        self.assertEqual(c["notes"], ["address 10.71.0.2 does not fit the subnet of %s "
                                      "(192.168.71.5/24)" % self.host_dev])

        self.assertEqual(self.tool_json("attr", "class", "--mac", self.mac)["value"], "Desktop")
        self.assertEqual(self.tool_json("attr", "OS", "--mac", self.mac)["value"], "Quillon")
        caps = self.tool_json("caps", "--mac", self.mac)
        self.assertEqual(caps["flags"], 0x6F)
        self.assertEqual(caps["identifiers"][2], 3)  # SpQuery at 0xF2
        self.assertEqual(caps["identifiers"][4], 7)  # QueryAttrs at 0xF4
        self.assertEqual(self.tool_json("state", "--mac", self.mac)["state"], HEALTHY)

        # Exit statuses: NAK 1 (status named), no answer 3, bad usage 2.
        status, out, _ = self.tool("attr", "colour", "--mac", self.mac)
        self.assertEqual((status, out.strip()),
                         (1, "NAK: StatusUnsupported (0): no attribute of that name"))
        self.assertEqual(self.tool("ping", "--mac", "02:00:00:00:00:01", timeout=1)[0], 3)
        self.assertEqual(self.tool("ping", "--mac", "nonsense")[0], 2)
        self.assertEqual(self.tool("attr", "--mac", self.mac)[0], 2)
        self.assertEqual(image.power_off(), 0, image.output)

    def test_tcp_runs_only_with_a_configured_address(self):
        # TCP needs a route: give the host an address in the controller's subnet too.
        subprocess.run(["ip", "-n", self.host, "addr", "add", "10.71.0.5/24", "dev",
                        self.host_dev], check=True)
        image = self.boot(self.target, settings="[TCP_Stack_Config]\r\nIP_Address=USE_DHCP\r\n")
        self.wait_running(image)
        found = self.tool_json("--tcp", "10.71.0.2", "discover")
        self.assertEqual([c["mac"] for c in found], [self.mac])
        self.assertEqual(found[0]["state"], HEALTHY)
        attr = self.tool_json("--tcp", "10.71.0.2", "attr", "class", "--mac", self.mac)
        self.assertEqual(attr["value"], "Desktop")
        caps = self.tool_json("--tcp", "10.71.0.2", "caps", "--mac", self.mac)
        self.assertEqual(caps["identifiers"][4], 7)
        image.power_off()

        plain = self.boot(self.target)
        self.wait_running(plain)
        status, _, err = self.tool("--tcp", "10.71.0.2", "discover")
        self.assertEqual(status, 3, err)
        self.assertEqual(len(self.tool_json("discover")), 1)  # UDP still answers

    def test_an_unanswered_notification_is_sent_three_times(self):
        subprocess.run(["ip", "-n", self.host, "addr", "add", "10.71.0.5/24", "dev",
                        self.host_dev], check=True)
        record = struct.pack("<6I24s", 3, 0, 1, 0, 0, 1, b"10.71.0.5")
        listener = subprocess.Popen(
            list(self.net.exec_prefix(self.host)) + ["python3", "-c", SILENT_HOST],
            stdout=subprocess.PIPE, text=True)
        self.addCleanup(listener.kill)
        time.sleep(0.5)
        image = self.boot(self.target, record=record)
        self.wait_running(image)  # start-up goes on after the third attempt
        times = [float(t) for t in listener.communicate(timeout=40)[0].split()]
        self.assertEqual(len(times), 3, times)
        self.assertTrue(all(b - a > 3.5 for a, b in zip(times, times[1:])), times)


# Listens on 44517 without answering; prints the arrival time of each datagram.
SILENT_HOST = """
import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("0.0.0.0", 44517))
s.settimeout(20)
try:
    while True:
        s.recvfrom(64)
        print(time.monotonic(), flush=True)
        s.settimeout(8)
except socket.timeout:
    pass
"""


class SeveralControllers(Controllers):
    SUBNETS = ["10.72.0.2/24", "172.20.5.9/16", "10.72.0.3/24"]

    def running_bridge(self):
        """The host and a controller per subnet on one bridge; answers the MACs and the
        host's interface."""
        switch = self.net.namespace("s")
        host_dev, port = self.net.link(self.host, "192.168.72.5/24", switch)
        ports = [port]
        targets = []
        macs = []
        for i, address in enumerate(self.SUBNETS):
            ns = self.net.namespace("c%d" % i)
            dev, port = self.net.link(ns, address, switch)
            ports.append(port)
            targets.append(ns)
            macs.append(self.net.mac(ns, dev))
        self.net.bridge(switch, ports)
        for image in [self.boot(ns) for ns in targets]:
            self.wait_running(image)
        return macs, host_dev

    def test_one_broadcast_finds_every_controller_on_a_bridge(self):
        macs, _ = self.running_bridge()
        subnets = self.SUBNETS
        found = self.tool_json("discover", timeout=3)
        self.assertEqual(sorted(c["mac"] for c in found), sorted(macs))
        self.assertEqual(sorted(c["ip"] for c in found),
                         sorted(a.split("/")[0] for a in subnets))
        self.assertTrue(all(c["notes"] for c in found), found)  # none fits 192.168.72.0/24

    def test_states_by_address_or_broadcast_and_a_discovery_that_stops_at_a_count(self):
        macs, host_dev = self.running_bridge()
        # Two controllers are now in a subnet of the host's interface (asked by address),
        # one is not (asked by broadcast).
        subprocess.run(["ip", "-n", self.host, "addr", "add", "10.72.0.5/24", "dev", host_dev],
                       check=True)
        found = self.tool_json("discover", "--count", "3", timeout=10)
        self.assertEqual(sorted(c["mac"] for c in found), sorted(macs))
        self.assertEqual([c["state"] for c in found], [HEALTHY] * 3, found)
        # It stops listening at the count, whoever answers first.
        self.assertEqual(len(self.tool_json("discover", "--count", "2", timeout=10)), 2)
        self.assertEqual(self.tool("discover", "--count", "0")[0], 2)


if __name__ == "__main__":
    unittest.main()
