"""Packet captures for end-to-end tests: tcpdump inside a test's namespace, and pcap files
written byte by byte for traffic the real programs do not make (malformed input, commands
that no tool sends yet)."""
import os
import select
import signal
import struct
import subprocess
import time


class Tcpdump:
    """tcpdump on one interface of a namespace, writing every packet at once (without
    immediate mode, what still waits in the kernel's buffer when it stops is lost)."""

    def __init__(self, exec_prefix, interface, path):
        self.path = path
        self.proc = subprocess.Popen(
            list(exec_prefix) + ["tcpdump", "-i", interface, "--immediate-mode", "-U", "-n", "-s",
                                 "0", "-w", path, "udp or tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        # Capturing has begun once tcpdump says it listens.
        seen = b""
        deadline = time.monotonic() + 10
        while b"listening on" not in seen and time.monotonic() < deadline:
            ready, _, _ = select.select([self.proc.stderr], [], [], 0.5)
            if ready:
                chunk = os.read(self.proc.stderr.fileno(), 4096)
                if not chunk:
                    break
                seen += chunk
        if b"listening on" not in seen:
            self.stop()
            raise RuntimeError("tcpdump did not start: " + seen.decode(errors="replace"))

    def stop(self):
        """Ends the capture (the file is complete afterwards)."""
        if self.proc.poll() is None:
            time.sleep(0.3)  # the last replies are on their way
            self.proc.send_signal(signal.SIGINT)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stderr.close()


def _checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def _address(text):
    return bytes(int(part) for part in text.split("."))


class PcapWriter:
    """Ethernet frames carrying IPv4 UDP datagrams and TCP segments, in a pcap file."""

    def __init__(self, path):
        self._file = open(path, "wb")
        self._file.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        self._time = 1_700_000_000.0
        self._streams = {}

    def close(self):
        self._file.close()

    def _frame(self, src, dst, protocol, payload):
        header = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(payload), 0, 0x4000, 64,
                             protocol, 0, _address(src), _address(dst))
        header = header[:10] + struct.pack("!H", _checksum(header)) + header[12:]
        frame = b"\x02\0\0\0\0\x02" + b"\x02\0\0\0\0\x01" + b"\x08\x00" + header + payload
        self._time += 0.001
        seconds = int(self._time)
        micros = int((self._time - seconds) * 1e6)
        self._file.write(struct.pack("<IIII", seconds, micros, len(frame), len(frame)) + frame)

    def udp(self, src, sport, dst, dport, payload):
        pseudo = _address(src) + _address(dst) + struct.pack("!BBH", 0, 17, 8 + len(payload))
        header = struct.pack("!HHHH", sport, dport, 8 + len(payload), 0)
        checksum = _checksum(pseudo + header + payload) or 0xFFFF
        self._frame(src, dst, 17, header[:6] + struct.pack("!H", checksum) + payload)

    def _segment(self, src, sport, dst, dport, seq, ack, flags, payload=b""):
        pseudo = _address(src) + _address(dst) + struct.pack("!BBH", 0, 6, 20 + len(payload))
        header = struct.pack("!HHIIBBHHH", sport, dport, seq, ack, 5 << 4, flags, 65535, 0, 0)
        checksum = _checksum(pseudo + header + payload)
        self._frame(src, dst, 6, header[:16] + struct.pack("!H", checksum) + header[18:] +
                    payload)

    def tcp_connect(self, client, cport, server, sport):
        """A handshake; answers the connection for tcp_send."""
        key = (client, cport, server, sport)
        self._streams[key] = [1000, 5000]
        self._segment(client, cport, server, sport, 999, 0, 0x02)
        self._segment(server, sport, client, cport, 4999, 1000, 0x12)
        self._segment(client, cport, server, sport, 1000, 5000, 0x10)
        return key

    def tcp_send(self, connection, payload, from_server=False):
        client, cport, server, sport = connection
        seqs = self._streams[connection]
        if from_server:
            self._segment(server, sport, client, cport, seqs[1], seqs[0], 0x18, payload)
            seqs[1] += len(payload)
        else:
            self._segment(client, cport, server, sport, seqs[0], seqs[1], 0x18, payload)
            seqs[0] += len(payload)
