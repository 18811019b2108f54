#!/usr/bin/env python3
"""Switches a virtual module off as its power button would: systemd shuts
down cleanly, the shell's history and every file reach the disk, and QEMU
ends. Returns once QEMU has ended (its monitor closes), 1 if it has not
within TIMEOUT seconds.
Usage: powerdown.py SOCKET.mon [TIMEOUT]"""
import socket
import sys
import time

monitor = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
monitor.connect(sys.argv[1])
monitor.sendall(b"system_powerdown\n")
deadline = time.monotonic() + float(sys.argv[2] if len(sys.argv) > 2 else 120)
while time.monotonic() < deadline:
    monitor.settimeout(max(0.1, deadline - time.monotonic()))
    try:
        if not monitor.recv(4096):
            sys.exit(0)
    except socket.timeout:
        break
sys.exit(1)
