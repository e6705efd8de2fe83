"""QEMU's serial console as a screen: runs QEMU with the console on stdio, keeps
every byte it sends in a log, rebuilds the firmware's 80x50 PC-ANSI screen with
pyte (the bytes are CP437), and types keys.

The firmware's form browser redraws after each key; `settle` waits for the first
output after a key and then for a short silence, which is when the screen is whole.
"""
import os
import select
import subprocess
import time

COLUMNS, ROWS = 80, 50

KEYS = {
    "down": b"\x1b[B",
    "up": b"\x1b[A",
    "enter": b"\r",
    "esc": b"\x1b",
    "f10": b"\x1b[V",  # PC-ANSI F10; the xterm sequence reads as Esc
    "f2": b"\x1b[N",  # PC-ANSI F2, the boot manager's hot key for its front page
    "y": b"Y",
    "n": b"N",
}

# A lone Esc is acted on only after the firmware's escape timeout (about 2 s).
ESCAPE_WAIT = 2.5


class ConsoleTimeout(Exception):
    pass


class SerialScreen:
    def __init__(self, command, log_path, deadline):
        # Debian's python3-pyte, for the system Python: imported here so that the browser driver's
        # navigation loads (and is tested) without it.
        import pyte
        self.deadline = deadline
        self.log = open(log_path, "wb")
        # QEMU's own messages go to this script's stderr.
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.screen = pyte.Screen(COLUMNS, ROWS)
        self.stream = pyte.Stream(self.screen)
        self.text = bytearray()  # everything received, for markers

    def close(self):
        """Waits for QEMU to end (the application powers off), bounded by the deadline; its exit status."""
        try:
            while self.process.poll() is None and time.monotonic() < self.deadline:
                self._read(0.5)
            if self.process.poll() is None:
                self.process.kill()
                self.process.wait()
                return 124
            while self._read(0):
                pass
            return self.process.returncode
        finally:
            self.log.close()

    def stop(self):
        """Ends QEMU now (the browser would wait for keys until the deadline)."""
        if self.process.poll() is None:
            self.process.kill()

    def _read(self, timeout):
        """Reads what is there within timeout seconds; False on silence or end of output."""
        ready, _, _ = select.select([self.process.stdout], [], [], max(0.0, timeout))
        if not ready:
            return False
        data = os.read(self.process.stdout.fileno(), 65536)
        if not data:
            time.sleep(min(timeout, 0.1))
            return False
        self.log.write(data)
        self.text += data
        self.stream.feed(data.decode("cp437"))
        return True

    def _remaining(self):
        left = self.deadline - time.monotonic()
        if left <= 0:
            raise ConsoleTimeout("the run's time is up")
        return left

    def wait_for(self, marker, start=0):
        """Reads until marker (bytes) appears after offset start; the offset after it."""
        return self.wait_for_any((marker,), start)[1]

    def wait_for_any(self, markers, start=0):
        """Reads until one of markers appears after offset start: the earliest, and the offset after it."""
        while True:
            found = [(self.text.find(marker, start), marker) for marker in markers]
            found = [(at, marker) for at, marker in found if at >= 0]
            if found:
                at, marker = min(found)
                return marker, at + len(marker)
            if self.process.poll() is not None and not self._read(0):
                raise ConsoleTimeout(f"QEMU ended before {markers[0].decode()!r}")
            self._read(min(self._remaining(), 1.0))

    def settle(self, first=5.0, quiet=0.6):
        """Waits for output to start (at most `first` seconds) and then for `quiet` seconds of silence."""
        end = time.monotonic() + first
        while not self._read(min(self._remaining(), max(0.0, end - time.monotonic()))):
            if time.monotonic() >= end or self.process.poll() is not None:
                return
        while self._read(min(self._remaining(), quiet)):
            pass

    def send(self, key):
        """Types key and returns at once."""
        self.process.stdin.write(KEYS[key])
        self.process.stdin.flush()

    def read_for(self, seconds):
        """Takes in whatever arrives within seconds."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if self.process.poll() is not None and not self._read(0):
                raise ConsoleTimeout("QEMU ended")
            self._read(min(self._remaining(), end - time.monotonic()))

    def press(self, key, quiet=0.6):
        self.send(key)
        if key == "esc":
            time.sleep(ESCAPE_WAIT)
        self.settle(quiet=quiet)

    def lines(self):
        return [line.rstrip() for line in self.screen.display]

    def highlighted(self, backgrounds=("black", "cyan"), columns=(0, COLUMNS)):
        """Per row, the text drawn white on one of backgrounds (the browser's selection: black in
        menus, cyan in popups) within columns, stripped."""
        rows = {}
        for y in range(ROWS):
            row = self.screen.buffer[y]
            chars = [row[x].data for x in range(*columns)
                     if row[x].fg == "white" and row[x].bg in backgrounds]
            text = "".join(chars).strip()
            if text:
                rows[y] = text
        return rows
