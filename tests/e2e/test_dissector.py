"""The Wireshark dissector (tools/wireshark/lifeboat.lua) read by tshark: on traffic captured
from the real image and host tool in namespaces, and on a capture written here with what the
tools do not send (malformed input, commands still to come, the firmware side connection)."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

from lifeboat_process import HEALTHY, Image
from netns import SKIP, Network, require_namespaces
from packet_capture import PcapWriter, Tcpdump

HERE = os.path.dirname(os.path.abspath(__file__))
DISSECTOR = os.path.join(HERE, "..", "..", "tools", "wireshark", "lifeboat.lua")
TOOL = os.path.join(os.environ.get("LIFEBOAT_BUILD", ""), "tools", "tesselcfg")

TARGET_IP = "10.73.0.2"
HOST_IP = "10.73.0.5"

# What the host tool does in the live capture, in order. "{mac}" and "{ip}" are the
# controller's. Commands the tool learns later join this table (and their checks below).
TOOL_RUNS = [
    (0, "discover"),
    (0, "ping", "--mac", "{mac}"),
    (0, "caps", "--mac", "{mac}"),
    (0, "attr", "class", "--mac", "{mac}"),
    (1, "attr", "colour", "--mac", "{mac}"),
    (0, "state", "--mac", "{mac}"),
    (0, "--tcp", "{ip}", "discover"),
    (0, "--tcp", "{ip}", "caps", "--mac", "{mac}"),
    (0, "--tcp", "{ip}", "attr", "os", "--mac", "{mac}"),
    (0, "--tcp", "{ip}", "state", "--mac", "{mac}"),
    # The changing commands, last: they change what later Ping and SpQuery replies show.
    (0, "set-name", "probe-7", "--mac", "{mac}"),
    (0, "set-comment", "Dock 4", "--mac", "{mac}"),
    (0, "protection", "--reboot", "on", "--halt-on-error", "off", "--mac", "{mac}"),
    (0, "main-exe", "C:\\app\\main.exe", "--mac", "{mac}"),
    (0, "lock", "--password-file", "{password}", "--mac", "{mac}"),
    (0, "unlock", "--password-file", "{password}", "--mac", "{mac}"),
    (0, "chmod", "zu-rt.ini", "--read-only", "--mac", "{mac}"),
    (0, "chmod", "zu-rt.ini", "--writable", "--mac", "{mac}"),
]


def packet(command, mac=b"\0" * 6, flags=0, version=2, magic=b"ED", text1=b"", text2=b"",
           data=b"", comment_format=0, ip=0, mask=0, dns=0, gateway=0, status=0, extra=0,
           target_code=0, serial=0):
    """One 184-byte command packet, numeric fields in network order."""
    return struct.pack("!2sBHBHHI6s8s32s32s64sHIIIIII2s", magic, command, flags, version,
                       target_code, 0, serial, mac, b"", text1, text2, data, comment_format,
                       ip, mask, dns, gateway, status, extra, b"")


def address(text):
    return struct.unpack("!I", bytes(int(p) for p in text.split(".")))[0]


# Sent from the host's namespace into the live capture: what the controller must drop.
JUNK_SENDER = r"""
import socket, struct, sys
target, mac = sys.argv[1], bytes.fromhex(sys.argv[2].replace(":", ""))
def packet(command, magic=b"ED", version=2):
    return struct.pack("!2sBHBHHI6s8s32s32s64sHIIIIII2s", magic, command, 0, version, 0, 0, 0,
                       mac, b"", b"", b"", b"", 0, 0, 0, 0, 0, 0, 0, b"")
u = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
u.sendto(packet(0x01)[:100], (target, 44515))
u.sendto(packet(0x01, magic=b"XY"), (target, 44515))
u.sendto(packet(0x04, version=3), (target, 44515))
t = socket.create_connection((target, 44516), timeout=5)
t.sendall(struct.pack("!I", 185) + packet(0x04) + b"\0")
t.settimeout(10)
try:  # the controller closes the connection (a reset: the packet was left unread)
    assert t.recv(16) == b""
except ConnectionResetError:
    pass
"""

# A firmware transfer as a host would start it (no tool sends one yet): the request, then the
# side connection with its header and a short image. A desktop controller has no firmware
# target, so it refuses once it has read the header.
FIRMWARE_HOST = r"""
import socket, struct, sys, time
target, mac = sys.argv[1], bytes.fromhex(sys.argv[2].replace(":", ""))
request = struct.pack("!2sBHBHHI6s8s32s32s64sHIIIIII2s", b"ED", 0x0F, 0, 2, 0x719C, 0, 0,
                      mac, b"", b"", b"", b"", 0, 0, 0, 0, 0, 0, 0, b"")
u = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
u.settimeout(30)
u.sendto(request, (target, 44515))
deadline = time.monotonic() + 10
while True:
    try:
        side = socket.create_connection((target, 44515), timeout=5)
        break
    except ConnectionRefusedError:
        if time.monotonic() > deadline:
            raise
        time.sleep(0.1)
side.sendall(struct.pack("!HHIII", 0x719C, 1, 7, 0, 100) + b"\xAA" * 100)
reply, _ = u.recvfrom(512)
assert reply[2] == 0x09, reply[2]
"""

# Answers the controller's notification on 44517.
ANSWERING_HOST = """
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("0.0.0.0", 44517))
print("ready", flush=True)
s.settimeout(25)
data, sender = s.recvfrom(64)
s.sendto(b"ok", sender)
"""


def setUpModule():
    missing = [p for p in ("tshark", "tcpdump") if shutil.which(p) is None]
    if missing:
        print("SKIP: not installed: " + ", ".join(missing), file=sys.stderr)
        sys.exit(SKIP)


class Dissection(unittest.TestCase):
    """tshark with the dissector over one capture file (`cls.pcap`)."""

    pcap = None

    def fields(self, display_filter, *names):
        """One row per matching frame: each field's values joined by "|"."""
        args = ["tshark", "-n", "-2", "-r", self.pcap, "-X", "lua_script:" + DISSECTOR,
                "-Y", display_filter, "-T", "fields", "-E", "occurrence=a", "-E", "aggregator=|"]
        for name in names or ("frame.number",):
            args += ["-e", name]
        done = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                              timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertNotIn("Lua", done.stderr)
        return [line.split("\t") for line in done.stdout.splitlines()]

    def one(self, display_filter, *names):
        rows = self.fields(display_filter, *names)
        self.assertEqual(len(rows), 1, (display_filter, rows))
        return rows[0]

    def experts(self, display_filter):
        return [m for row in self.fields(display_filter, "_ws.expert.message")
                for m in row[0].split("|") if m]

    def assert_no_dissector_errors(self):
        verbose = subprocess.run(
            ["tshark", "-n", "-r", self.pcap, "-X", "lua_script:" + DISSECTOR, "-V"],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=60).stdout
        self.assertNotIn("Lua Error", verbose)
        self.assertNotIn("Malformed Packet", verbose)
        self.assertNotIn("Dissector bug", verbose)


class LiveCapture(Dissection):
    """The real image and host tool, captured on the host's side of the link."""

    @classmethod
    def setUpClass(cls):
        require_namespaces()
        cls._tmp = tempfile.TemporaryDirectory(prefix="lifeboat-pcap-")
        cls.addClassCleanup(cls._tmp.cleanup)
        cls.pcap = os.path.join(cls._tmp.name, "live.pcap")
        net = Network("ws")
        cls.addClassCleanup(net.close)
        host, target = net.namespace("h"), net.namespace("c")
        dev, host_dev = net.link(target, TARGET_IP + "/24", host, "192.168.73.5/24")
        subprocess.run(["ip", "-n", host, "addr", "add", HOST_IP + "/24", "dev", host_dev],
                       check=True)
        cls.mac = net.mac(target, dev)

        capture = Tcpdump(net.exec_prefix(host), host_dev, cls.pcap)
        cls.addClassCleanup(capture.stop)
        listener = subprocess.Popen(list(net.exec_prefix(host)) + ["python3", "-c",
                                                                   ANSWERING_HOST],
                                    stdout=subprocess.PIPE, text=True)
        cls.addClassCleanup(listener.stdout.close)
        cls.addClassCleanup(listener.kill)
        listener.stdout.readline()

        # Booted after an install reboot, with TCP on: it notifies the host first.
        disk = tempfile.mkdtemp(dir=cls._tmp.name)
        with open(os.path.join(disk, "zu-rt.ini"), "w") as f:
            f.write("[TCP_Stack_Config]\r\nIP_Address=USE_DHCP\r\n")
        os.makedirs(os.path.join(disk, "zu-rt", "system"))
        with open(os.path.join(disk, "zu-rt", "system", "nvdata.bin"), "wb") as f:
            f.write(struct.pack("<6I24s", 3, 0, 1, 0, 0, 1, HOST_IP.encode()))
        image = Image(wrapper=net.exec_prefix(target), disk=disk)
        cls.addClassCleanup(image.close)
        if not image.wait_for("\nSystem state: ", 30):
            raise AssertionError(image.output)
        listener.wait(30)

        password = os.path.join(cls._tmp.name, "password")
        with open(password, "w") as f:
            f.write("Harbour-7\n")
        for expected, *args in TOOL_RUNS:
            args = [a.format(mac=cls.mac, ip=TARGET_IP, password=password) for a in args]
            done = subprocess.run(list(net.exec_prefix(host)) + [TOOL, "--timeout", "1", *args],
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                  timeout=60)
            if done.returncode != expected:
                raise AssertionError("tesselcfg %s: %d\n%s" % (args, done.returncode,
                                                             done.stdout))
        for script in (FIRMWARE_HOST, JUNK_SENDER):
            subprocess.run(list(net.exec_prefix(host)) + ["python3", "-c", script, TARGET_IP,
                                                          cls.mac], check=True, timeout=60)
        capture.stop()
        image.power_off()

    def test_udp_replies_decoded_by_their_requests(self):
        mac = self.mac.lower()
        # Before the first change (set-name).
        changed = min(int(r[0]) for r in self.fields("lifeboat.command == 0x03"))
        rows = self.fields('udp && lifeboat.response == 1 && lifeboat.request_name == "Ping" && '
                           'frame.number < %d' % changed,
                           "lifeboat.mac", "lifeboat.ping.target_type", "lifeboat.host_name",
                           "lifeboat.serial", "lifeboat.ip", "lifeboat.mask", "lifeboat.ping.dhcp",
                           "lifeboat.ping.locked", "lifeboat.ping.ip_configured",
                           "lifeboat.comment", "lifeboat.comment_format", "lifeboat.request_in")
        self.assertGreaterEqual(len(rows), 2, rows)  # discover and ping at least
        serial = str(int(mac.replace(":", "")[4:], 16))
        for row in rows:
            self.assertEqual(row[:8], [mac, "Generic Desktop PC", "", serial, TARGET_IP,
                                       "255.255.255.0", "1", "0"], row)
            self.assertEqual(row[8:11], ["1", "", "512"], row)  # IP_Address is set
            self.assertTrue(row[11].isdigit(), row)
        request = self.one('udp && lifeboat.response == 0 && lifeboat.command == 0x01 && '
                           'lifeboat.mac == 00:00:00:00:00:00', "lifeboat.response_in")
        self.assertTrue(request[0].isdigit(), request)

        # The tool asks for the capabilities before each extension command.
        caps = self.fields("udp && lifeboat.command == 0x21", "lifeboat.caps.identifier",
                           "lifeboat.caps.code", "lifeboat.flags")
        self.assertTrue(caps)
        for identifiers, codes, flags in caps:
            identifiers = identifiers.split("|")
            self.assertEqual(len(identifiers), 15, identifiers)
            self.assertEqual((identifiers[2], identifiers[4]), ("3", "7"))  # SpQuery, QueryAttrs
            self.assertIn("0xf4", codes.split("|"))
            self.assertEqual(flags, "0x006f")
        self.assertEqual(self.one('udp && lifeboat.response == 1 && lifeboat.command == 0x08 && '
                                  'lifeboat.request_name == "QueryAttrs"',
                                  "lifeboat.attr.name", "lifeboat.attr.value"),
                         ["class", "Desktop"])
        nak = self.one('lifeboat.command == 0x09 && lifeboat.request_name == "QueryAttrs"',
                       "lifeboat.request_name",
                       "lifeboat.attr.name", "lifeboat.status_name")
        self.assertEqual(nak, ["QueryAttrs", "colour", "StatusUnsupported"])
        self.assertIn("NAK: StatusUnsupported", self.experts("lifeboat.command == 0x09"))
        states = self.fields('udp && lifeboat.response == 1 && lifeboat.request_name == "SpQuery"',
                             "lifeboat.state", "lifeboat.sp.halt_on_error",
                             "lifeboat.sp.protect_reboot")
        self.assertTrue(states)
        self.assertTrue(all(row == [HEALTHY, "0", "0"] for row in states), states)

    def unique(self, display_filter, *names):
        """The rows of `fields`, each once (a request the tool repeated shows twice)."""
        rows = []
        for row in self.fields(display_filter, *names):
            if row not in rows:
                rows.append(row)
        return rows

    def test_changing_commands_the_tool_sends(self):
        self.assertEqual(self.unique("lifeboat.command == 0x03", "lifeboat.host_name",
                                     "lifeboat.comment", "lifeboat.ipconfig.static",
                                     "lifeboat.ipconfig.keep_ip", "lifeboat.ip"),
                         [["probe-7", "", "1", "1", "0.0.0.0"],
                          ["probe-7", "Dock 4", "1", "1", "0.0.0.0"]])
        words = self.unique("lifeboat.command == 0x05 || lifeboat.command == 0x06",
                            "lifeboat.command_name", "lifeboat.password.hash",
                            "lifeboat.password.hash_copy")
        self.assertEqual([w[0] for w in words], ["Lock", "Unlock"])
        self.assertEqual(words[0][1:], words[1][1:])  # one password
        self.assertEqual(words[0][1], words[0][2])
        self.assertNotEqual(int(words[0][1], 16), 0)
        self.assertEqual(self.unique("lifeboat.command == 0xf3", "lifeboat.sp.protect_reboot",
                                     "lifeboat.sp.halt_on_error"), [["1", "0"]])
        self.assertEqual(self.unique("lifeboat.command == 0xf1", "lifeboat.path"),
                         [["C:\\app\\main.exe"]])
        self.assertEqual(self.unique("lifeboat.command == 0xf0", "lifeboat.path",
                                     "lifeboat.chmod.read_only"),
                         [["zu-rt.ini", "1"], ["zu-rt.ini", "0"]])
        # Each answered with an ACK that names its request.
        acked = {r[0] for r in self.fields("lifeboat.response == 1 && lifeboat.command == 0x08",
                                           "lifeboat.request_name")}
        self.assertLessEqual({"IpConfig", "SpConfig", "MainExe", "Lock", "Unlock", "Chmod"},
                             acked)

    def test_tcp_packets_behind_their_length_word(self):
        # Every request over TCP is answered on its connection, behind a length word.
        requests = self.fields("tcp && lifeboat.response == 0", "lifeboat_tcp.length",
                               "lifeboat.command_name", "lifeboat.response_in")
        self.assertEqual({r[1] for r in requests if r[1] != "Confirm"},
                         {"Ping", "QueryCaps", "QueryAttrs", "SpQuery"})
        self.assertTrue(all(r[0] == "184" and r[2].isdigit() for r in requests
                            if r[1] != "Confirm"), requests)
        rows = self.fields("tcp && lifeboat.response == 1", "lifeboat_tcp.length",
                           "lifeboat.request_name", "lifeboat.ping.target_type",
                           "lifeboat.attr.value", "lifeboat.state")
        replies = {r[1]: r for r in rows}
        self.assertTrue(all(r[0] == "184" for r in rows), rows)
        self.assertEqual(replies["Ping"][2], "Generic Desktop PC")
        self.assertEqual(replies["QueryAttrs"][3], "Quillon")
        self.assertEqual(replies["SpQuery"][4], HEALTHY)

    def test_host_notification_and_its_answer(self):
        self.assertEqual(self.one("lifeboat_notify.address", "lifeboat_notify.address",
                                  "ip.src"), [TARGET_IP, TARGET_IP])
        self.assertEqual(self.one("lifeboat_notify.answer", "lifeboat_notify.answer"),
                         ["6f6b"])

    def test_firmware_request_and_side_connection(self):
        nak = self.one('lifeboat.command == 0x09 && lifeboat.request_name == "Firmware"',
                       "lifeboat.request_in", "lifeboat.status_name")
        self.assertTrue(nak[0].isdigit(), nak)
        self.assertEqual(nak[1], "Refused")  # the status is the request's
        header = self.one("lifeboat_fw.image_length", "lifeboat_fw.target_code",
                          "lifeboat_fw.begin_argument", "lifeboat_fw.target_key",
                          "lifeboat_fw.image_length")
        self.assertEqual(header, ["0x719c", "0x0001", "0x00000007", "100"])

    def test_what_the_controller_drops_is_flagged(self):
        self.assertIn("Packet is 100 bytes, not 184: the controller drops it",
                      self.experts("udp && lifeboat"))
        self.assertIn('Wrong magic 0x5859 (0x4544 "ED" expected): the controller drops it',
                      self.experts("lifeboat.magic != 0x4544"))
        self.assertIn("Version 3: only 2 is accepted, the controller drops it",
                      self.experts("lifeboat.version == 3"))
        self.assertEqual(
            self.experts("lifeboat_tcp.length == 185"),
            ["Length word 185: the controller accepts 1 to 184 and closes the connection"])
        # None of these got an answer.
        self.assertEqual(self.fields("lifeboat.response == 1 && (lifeboat.version == 3 || "
                                     "lifeboat.magic != 0x4544)"), [])
        self.assert_no_dissector_errors()


class WrittenCapture(Dissection):
    """Frames written here: commands the tool does not send yet, the firmware side connection
    and malformed input."""

    HOST, TARGET, BROADCAST = "10.0.0.5", "10.0.0.2", "255.255.255.255"
    MAC = bytes.fromhex("020000000007")

    @classmethod
    def setUpClass(cls):
        cls._tmp = tempfile.TemporaryDirectory(prefix="lifeboat-pcap-")
        cls.addClassCleanup(cls._tmp.cleanup)
        cls.pcap = os.path.join(cls._tmp.name, "written.pcap")
        w = PcapWriter(cls.pcap)
        cls.write_exchanges(w)
        w.close()

    @classmethod
    def exchange(cls, w, request, reply, port=50000):
        w.udp(cls.HOST, port, cls.TARGET, 44515, request)
        if reply is not None:
            w.udp(cls.TARGET, 44515, cls.BROADCAST, port, reply)

    @classmethod
    def write_exchanges(cls, w):
        mac = cls.MAC
        comment = "Zelle 7 – Süd".encode("utf-16-le")
        cls.exchange(w, packet(0x01), packet(
            0x08, mac=mac, flags=0x0044 | 0x0001 | 0x0002 | 0x0010, text1=b"Generic Desktop PC",
            text2=b"H" * 32, data=comment, comment_format=1200, ip=address("10.0.0.2"),
            mask=address("255.255.0.0"), serial=7, target_code=0x719C))
        cls.exchange(w, packet(0x03, mac=mac, flags=0x0090, text2=b"cell-7", data=b"line 4",
                               comment_format=512), packet(0x09, mac=mac, status=1))
        cls.exchange(w, packet(0x05, mac=mac, ip=1, mask=2, dns=1, gateway=3),
                     packet(0x09, mac=mac, status=6))
        cls.exchange(w, packet(0x0A, mac=mac, status=2), packet(0x09, mac=mac, status=3))
        cls.exchange(w, packet(0xF0, mac=mac, text1=b"zu-rt.ini", status=1),
                     packet(0x09, mac=mac, status=5))
        # A controller whose QueryCaps puts AdvancedEnet (6) at 0xF4 and QueryAttrs (7) at 0xF5.
        ids = struct.pack("!15I", 1, 2, 3, 4, 6, 7, *([0] * 9))
        cls.exchange(w, packet(0x20, mac=mac), packet(0x21, mac=mac, flags=0x6F, data=ids))
        for sub, request, reply in ENET_EXCHANGES:
            cls.exchange(w, packet(0xF4, mac=mac, text1=b"\0" * 4 + request, extra=sub),
                         packet(0x08, mac=mac, text1=b"\0" * 4 + reply, extra=sub))

        # TCP: two packets in one segment, then one split over two segments.
        tcp = w.tcp_connect(cls.HOST, 40001, cls.TARGET, 44516)
        framed = struct.pack("!I", 184) + packet(0x04, mac=mac)
        w.tcp_send(tcp, framed + framed)
        w.tcp_send(tcp, framed[:100])
        w.tcp_send(tcp, framed[100:])
        w.tcp_send(tcp, framed, from_server=True)
        bad = w.tcp_connect(cls.HOST, 40002, cls.TARGET, 44516)
        w.tcp_send(bad, struct.pack("!I", 100) + packet(0x04, mac=mac)[:100])
        w.tcp_send(bad, struct.pack("!I", 0))
        huge = w.tcp_connect(cls.HOST, 40003, cls.TARGET, 44516)
        w.tcp_send(huge, struct.pack("!I", 0x10000) + b"x" * 20)

        # The host notification, answered at length.
        w.udp(cls.TARGET, 44517, cls.HOST, 44517, b"10.0.0.2")
        w.udp(cls.HOST, 44517, cls.TARGET, 44517, b"y" * 40)

        # Firmware side connections: header and image; then a header cut in two and more
        # image than announced.
        header = struct.pack("!HHIII", 0x719C, 0x0102, 0xA5A5A5A5, 0, 1500)
        fw = w.tcp_connect(cls.HOST, 40010, cls.TARGET, 44515)
        w.tcp_send(fw, header + b"\x11" * 1000)
        w.tcp_send(fw, b"\x22" * 500)
        fw2 = w.tcp_connect(cls.HOST, 40011, cls.TARGET, 44515)
        w.tcp_send(fw2, header[:10])
        w.tcp_send(fw2, header[10:] + b"\x33" * 1600)
        w.tcp_send(fw2, b"late", from_server=True)

        # UDP that the controller drops.
        w.udp(cls.HOST, 50001, cls.TARGET, 44515, b"ED")
        w.udp(cls.HOST, 50001, cls.TARGET, 44515, packet(0x04))  # zero MAC outside a Ping
        w.udp(cls.HOST, 50001, cls.TARGET, 44515, packet(0x77, mac=mac))
        w.udp(cls.HOST, 50001, cls.TARGET, 44515, packet(0xF4, mac=mac, extra=11))

    def test_ping_reply_fields(self):
        row = self.one('lifeboat.request_name == "Ping" && lifeboat.response == 1',
                       "lifeboat.comment", "lifeboat.comment_format", "lifeboat.host_name",
                       "lifeboat.ping.target_type", "lifeboat.serial", "lifeboat.target_code",
                       "lifeboat.ping.locked", "lifeboat.ping.ip_configured",
                       "lifeboat.ping.dhcp", "lifeboat.ping.static", "lifeboat.mac")
        self.assertEqual(row, ["Zelle 7 – Süd", "1200", "H" * 32, "Generic Desktop PC", "7",
                               "0x719c", "1", "1", "0", "1", "02:00:00:00:00:07"])

    def test_requests_and_naks(self):
        self.assertEqual(self.one("lifeboat.command == 0x03", "lifeboat.host_name",
                                  "lifeboat.comment", "lifeboat.ipconfig.static",
                                  "lifeboat.ipconfig.keep_ip"),
                         ["cell-7", "line 4", "1", "1"])
        naks = self.fields("lifeboat.command == 0x09", "lifeboat.request_name",
                           "lifeboat.status_name")
        self.assertEqual(naks, [["IpConfig", "StatusAccessDenied"], ["Lock", "StatusMismatch"],
                                ["Reset", "StatusInstallRefused"], ["Chmod", "StatusFailed"]])
        lock = self.one("lifeboat.command == 0x05", "lifeboat.password.hash",
                        "lifeboat.password.hash_copy")
        self.assertEqual(lock, ["0x0000000100000002", "0x0000000100000003"])
        self.assertIn("The two copies of the password hash differ",
                      self.experts("lifeboat.command == 0x05"))
        self.assertEqual(self.one("lifeboat.command == 0x0a", "lifeboat.reset.install"), ["1"])
        self.assertEqual(self.one("lifeboat.command == 0xf0", "lifeboat.path",
                                  "lifeboat.chmod.read_only"), ["zu-rt.ini", "1"])

    def test_advanced_enet_at_the_code_caps_reported(self):
        rows = self.fields('lifeboat.request_name == "AdvancedEnet" && lifeboat.response == 1',
                           "lifeboat.enet.subcommand", *ENET_FIELDS)
        expected = [[str(sub)] + [shown.get(name, "") for name in ENET_FIELDS]
                    for sub, _, _, shown in ENET_TABLE]
        self.assertEqual(rows, expected)
        self.assertIn("Sub-command out of range",
                      self.experts("lifeboat.enet.subcommand == 11"))

    def test_tcp_framing(self):
        rows = self.fields("lifeboat_tcp.length == 184 && tcp.srcport == 40001",
                           "lifeboat.command_name")
        self.assertEqual(rows, [["Confirm|Confirm"], ["Confirm"]])
        self.assertIn("Packet is 100 bytes, not 184: the controller drops it",
                      self.experts("tcp.srcport == 40002"))
        for length in (0, 65536):
            self.assertEqual(
                self.experts("lifeboat_tcp.length == %d" % length),
                ["Length word %d: the controller accepts 1 to 184 and closes the connection"
                 % length])

    def test_notification(self):
        self.assertEqual(self.one("lifeboat_notify.address", "lifeboat_notify.address"),
                         ["10.0.0.2"])
        self.assertEqual(self.experts("lifeboat_notify.answer"),
                         ["Answer longer than the 31 bytes the controller reads"])

    def test_firmware_side_connection(self):
        rows = self.fields("lifeboat_fw", "tcp.srcport", "lifeboat_fw.target_code",
                           "lifeboat_fw.begin_argument", "lifeboat_fw.target_key",
                           "lifeboat_fw.image_length", "lifeboat_fw.image_offset",
                           "_ws.expert.message")
        self.assertEqual(rows, [
            ["40010", "0x719c", "0x0102", "0xa5a5a5a5", "1500", "0", ""],
            ["40010", "", "", "", "", "1000", ""],
            ["40011", "0x719c", "0x0102", "0xa5a5a5a5", "", "", "Header field split across segments"],
            ["40011", "", "", "", "1500", "0", "Header field split across segments|"
             "Image bytes up to 1600, 1500 announced"],
            ["44515", "", "", "", "", "", "Data from the controller on the side connection"],
        ])

    def test_malformed_input_is_flagged_without_errors(self):
        self.assertEqual(self.experts("udp.length == 10"),
                         ["Packet is 2 bytes, not 184: the controller drops it"])
        self.assertEqual(self.experts("lifeboat.command == 0x04 && udp.srcport == 50001"),
                         ["All-zero MAC address outside a Ping: the controller drops it"])
        self.assertEqual(self.experts("lifeboat.command == 0x77"),
                         ["Command 0x77 has no handler: answered with NAK StatusUnsupported"])
        self.assert_no_dissector_errors()


# AdvancedEnet sub-commands: request payload and reply payload from offset 32, and the
# fields the reply shows.
ENET_FIELDS = ("lifeboat.enet.device_count", "lifeboat.enet.device_index", "lifeboat.enet.mac",
               "lifeboat.enet.device_mode", "lifeboat.enet.ip", "lifeboat.enet.mask",
               "lifeboat.enet.device_modes", "lifeboat.enet.media_modes",
               "lifeboat.enet.default_media", "lifeboat.enet.media_mode",
               "lifeboat.enet.operation_mode", "lifeboat.enet.polling_interval",
               "lifeboat.enet.max_sockets", "lifeboat.enet.ttl")
MAC7 = bytes.fromhex("020000000007") + b"\0\0"
ENET_TABLE = [
    (0, b"", struct.pack("!I", 2), {"lifeboat.enet.device_count": "2"}),
    (1, struct.pack("!I", 1), struct.pack("!I", 1) + MAC7,
     {"lifeboat.enet.device_index": "1", "lifeboat.enet.mac": "02:00:00:00:00:07"}),
    (4, MAC7, MAC7 + struct.pack("!III", 2, address("10.0.0.9"), address("255.255.0.0")),
     {"lifeboat.enet.mac": "02:00:00:00:00:07", "lifeboat.enet.device_mode": "2",
      "lifeboat.enet.ip": "10.0.0.9", "lifeboat.enet.mask": "255.255.0.0"}),
    (6, MAC7, MAC7 + struct.pack("!III", 7, 0x7F, 1),
     {"lifeboat.enet.mac": "02:00:00:00:00:07", "lifeboat.enet.device_modes": "0x00000007",
      "lifeboat.enet.media_modes": "0x0000007f", "lifeboat.enet.default_media": "0x00000001"}),
    (7, MAC7, MAC7 + struct.pack("!III", 0x10, 2, 5),
     {"lifeboat.enet.mac": "02:00:00:00:00:07", "lifeboat.enet.media_mode": "0x00000010",
      "lifeboat.enet.operation_mode": "2", "lifeboat.enet.polling_interval": "5"}),
    (9, b"", struct.pack("!II", 64, 128),
     {"lifeboat.enet.max_sockets": "64", "lifeboat.enet.ttl": "128"}),
    (10, struct.pack("!II", 32, 64), struct.pack("!II", 32, 64),
     {"lifeboat.enet.max_sockets": "32", "lifeboat.enet.ttl": "64"}),
]
ENET_EXCHANGES = [(sub, request, reply) for sub, request, reply, _ in ENET_TABLE]


if __name__ == "__main__":
    unittest.main()
