#!/usr/bin/python3
"""A network link with a fixed one-way delay, for bench/roundtrip_bench.sh.

Opens two TUN devices, one for the client's side and one for the server's
(the script moves each into a network namespace of its own and gives them
their addresses), and passes every IP packet from one to the other after
DELAY milliseconds. The kernel has no netem here; working on packets
rather than on TCP streams keeps every connection FTP makes, control and
data, active and passive, on the same link without reading FTP commands.

It also times each login, on behalf of any client alike: from the
client's SYN on a control connection (to one of the control ports) to the
moment the first byte of the listing reaches the client's side, printed in
milliseconds, one line a login:
    listing <milliseconds>
A data connection's first byte from the server is the listing's, unless the
client spoke first with a TLS record (a ClientHello): then the listing
comes in the server's second turn, after the client's Finished.

Prints "ready" once both devices exist; runs until killed. The devices go
with the process.
"""
import argparse
import collections
import fcntl
import os
import select
import signal
import struct
import sys
import time

TUNSETIFF = 0x400454CA
IFF_TUN = 0x0001
IFF_NO_PI = 0x1000
TLS_HANDSHAKE_RECORD = 0x16
SYN, ACK = 0x02, 0x10


def open_tun(name):
    fd = os.open("/dev/net/tun", os.O_RDWR | os.O_NONBLOCK)
    fcntl.ioctl(fd, TUNSETIFF, struct.pack("16sH", name.encode(), IFF_TUN | IFF_NO_PI))
    return fd


def tcp_segment(packet):
    """(source port, destination port, flags, payload) of an IPv4 TCP packet, or None."""
    if len(packet) < 20 or packet[0] >> 4 != 4 or packet[9] != 6:
        return None
    ip_header = (packet[0] & 0x0F) * 4
    total = struct.unpack_from("!H", packet, 2)[0]
    if total < ip_header + 20 or len(packet) < total:
        return None
    source, destination = struct.unpack_from("!HH", packet, ip_header)
    tcp_header = (packet[ip_header + 12] >> 4) * 4
    flags = packet[ip_header + 13]
    return source, destination, flags, packet[ip_header + tcp_header:total]


class DataConnection:
    def __init__(self):
        self.tls = False
        self.last_speaker = None
        self.server_turns = 0

    def client_payload(self, payload):
        if self.last_speaker is None:  # the client speaks first: TLS when a handshake record
            self.tls = payload[0] == TLS_HANDSHAKE_RECORD
        self.last_speaker = "client"

    def server_payload(self):
        """True when this payload starts the listing."""
        turn_starts = self.last_speaker != "server"
        if turn_starts:
            self.server_turns += 1
        self.last_speaker = "server"
        return turn_starts and self.server_turns == (2 if self.tls else 1)


class LoginClock:
    """Times each login from its control SYN to the listing's first byte at the client."""

    def __init__(self, control_ports, trace):
        self.control_ports = control_ports
        self.trace = trace
        self.start = None
        self.data = {}

    def show(self, now, way, client_port, server_port, flags, payload):
        """With --trace, one line a segment to stderr: when the relay took it in, since the login's SYN."""
        if self.trace and self.start is not None:
            text = payload[:60].decode("latin-1").rstrip("\r\n").replace("\r\n", " | ")
            if not text.isprintable():  # TLS records, or a listing's binary bytes
                text = "[%d bytes]" % len(payload)
            sys.stderr.write("%8.1f %s %5d:%-5d %s%s\n" % ((now - self.start) * 1000, way, client_port, server_port,
                                                         "SYN " if flags & SYN else "", text))

    def from_client(self, packet, now):
        segment = tcp_segment(packet)
        if not segment:
            return
        client_port, server_port, flags, payload = segment
        if server_port in self.control_ports and flags & SYN and not flags & ACK:
            self.start, self.data = now, {}
        self.show(now, ">", client_port, server_port, flags, payload)
        if server_port in self.control_ports:
            return
        if self.start is not None and payload:
            self.data.setdefault((client_port, server_port), DataConnection()).client_payload(payload)

    def from_server(self, packet, now):
        """True when this packet, on its way to the client, carries the listing's first byte."""
        segment = tcp_segment(packet)
        if not segment or self.start is None:
            return False
        server_port, client_port, flags, payload = segment
        self.show(now, "<", client_port, server_port, flags, payload)
        if server_port in self.control_ports or not payload:
            return False
        return self.data.setdefault((client_port, server_port), DataConnection()).server_payload()

    def arrived(self, now):
        if self.start is None:
            return  # a listing of no login seen: a leftover data connection
        print("listing %.1f" % ((now - self.start) * 1000), flush=True)
        self.start = None


def relay(client_fd, server_fd, delay, clock):
    # One queue a direction: the delay is the same for every packet, so
    # each queue stays in the order of arrival.
    toward = {server_fd: collections.deque(), client_fd: collections.deque()}
    while True:
        due = [queue[0][0] for queue in toward.values() if queue]
        timeout = max(0.0, min(due) - time.monotonic()) if due else None
        readable, _, _ = select.select([client_fd, server_fd], [], [], timeout)
        for fd in readable:
            receive(fd, client_fd, server_fd, toward, delay, clock)
        now = time.monotonic()
        for fd, queue in toward.items():
            while queue and queue[0][0] <= now:
                _, packet, listing = queue.popleft()
                os.write(fd, packet)
                if listing:
                    clock.arrived(time.monotonic())


def receive(fd, client_fd, server_fd, toward, delay, clock):
    while True:
        try:
            packet = os.read(fd, 65536)
        except BlockingIOError:
            return
        now = time.monotonic()
        if fd == client_fd:
            clock.from_client(packet, now)
            toward[server_fd].append((now + delay, packet, False))
        else:
            toward[client_fd].append((now + delay, packet, clock.from_server(packet, now)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("client_tun")
    parser.add_argument("server_tun")
    parser.add_argument("--delay-ms", type=float, default=40.0, help="one way")
    parser.add_argument("--control-ports", default="21", help="comma-separated")
    parser.add_argument("--trace", action="store_true", help="every segment of a login to stderr")
    args = parser.parse_args()
    # Ctrl-C in the benchmark reaches the relay too: it ends quietly, and
    # its devices with it.
    signal.signal(signal.SIGINT, signal.SIG_DFL)
    # The link must keep its delay while the clients and servers beside it
    # take both cores: a real-time priority keeps the relay's own lateness
    # to well under a millisecond.
    try:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(10))
    except (OSError, AttributeError):
        pass
    client_fd, server_fd = open_tun(args.client_tun), open_tun(args.server_tun)
    clock = LoginClock({int(port) for port in args.control_ports.split(",")}, args.trace)
    print("ready", flush=True)
    relay(client_fd, server_fd, args.delay_ms / 1000.0, clock)


if __name__ == "__main__":
    main()
