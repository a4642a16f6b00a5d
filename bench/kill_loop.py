#!/usr/bin/env python3
"""The browser killed again and again while its tabs change: are the session
files always whole, and does every start offer the tabs of the runs before?

    python3 bench/kill_loop.py [--rounds 200] [--seed 1] [--binary build/tabulon]
                               [--display :53]

One scratch home for the whole loop. Each round starts the browser on a page
of its own, in about half the rounds adds a tab through a second start on
the same profile (the hand-over), and kills the browser with SIGKILL at a
random moment 0.3-3 s after its window appeared. Then every session file in
the data folder is decoded (as the browser decodes it); the addresses they
hold are what the user had. When the next round's window shows, the browser
has read the files, and each of those addresses must be in
session.previous, the tabs it offers to restore. A last start, ended
normally, checks the last round.

Without --display the bench runs its own Xvfb.
"""

import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time

import benchlib
import xdisplay

CAPTION = benchlib.PAGE_TITLE + " - Tabulon - "
WINDOW_TIMEOUT = 60


# The session file, decoded by the rules the browser reads it with
# (src/browsing/saved_session.cpp): None for bytes it would call damaged.

_ALPHABET = b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
_VALUE = {c: i for i, c in enumerate(_ALPHABET)}


def from_base64(text):
    if len(text) % 4:
        return None
    out = bytearray()
    for i in range(0, len(text), 4):
        last = i + 4 == len(text)
        padding, n = 0, 0
        for j in range(4):
            c = text[i + j]
            if c == ord("=") and last and j >= 2 and (j == 3 or text[i + 3] == ord("=")):
                padding += 1
                n <<= 6
                continue
            if c not in _VALUE or padding:
                return None
            n = n << 6 | _VALUE[c]
        out.append(n >> 16 & 0xFF)
        if padding < 2:
            out.append(n >> 8 & 0xFF)
        if padding < 1:
            out.append(n & 0xFF)
    return bytes(out)


def decode_session(data):
    """{"ended": bool, "current": int, "tabs": [(address, title, history)]} or None."""
    lines = data.split(b"\n")
    # A line is whole only with its newline: the piece after the last one
    # must be empty, and the end line must be the last.
    if lines[-1] != b"":
        return None
    lines = lines[:-1]
    if len(lines) < 4 or lines[0] != b"TabulonSession 1" or lines[-1] != b"end":
        return None
    if lines[1] not in (b"ended 0", b"ended 1"):
        return None
    current = lines[2][len(b"current "):]
    if not lines[2].startswith(b"current ") or not re.fullmatch(rb"-?[0-9]+", current):
        return None
    if not -2**31 <= int(current) < 2**31:
        return None
    tabs = []
    for line in lines[3:-1]:
        if not line.startswith(b"tab "):
            return None
        parts = line[4:].split(b" ")
        if len(parts) != 3:
            return None
        fields = [from_base64(p) for p in parts]
        if None in fields:
            return None
        tabs.append(tuple(fields))
    return {"ended": lines[1] == b"ended 1", "current": int(current), "tabs": tabs}


def session_files(folder):
    """The session file and every file beside it named session.* but the lock."""
    try:
        names = os.listdir(folder)
    except OSError:
        return []
    return sorted(n for n in names
                  if n == "session" or (n.startswith("session.") and n != "session.lock"))


def read_session(path):
    try:
        with open(path, "rb") as f:
            return decode_session(f.read())
    except OSError:
        return None


def addresses(session):
    return {t[0].decode("utf-8", "replace") for t in session["tabs"] if t[0]} if session else set()


# Processes: the browser is killed alone, as a crash would end it; what it
# started must then end by itself, and anything that does not is ended here.

def alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] not in ("Z", "X")
    except (OSError, IndexError):
        return False


def kill_all(pids):
    for p in pids:
        try:
            os.kill(p, signal.SIGKILL)
        except OSError:
            pass


def wait_gone(pids, timeout):
    deadline = time.time() + timeout
    while time.time() < deadline and any(alive(p) for p in pids):
        time.sleep(0.05)
    return [p for p in pids if alive(p)]


class Xvfb:
    def __init__(self):
        read, write = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            self.close()
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Loop:
    def __init__(self, args, display, server, scratch):
        self.args = args
        self.display = display
        self.server = server
        self.scratch = scratch
        self.env = scratch.env(display.name)
        self.folder = os.path.join(self.env["XDG_DATA_HOME"], "tabulon")
        self.rng = random.Random(args.seed)
        self.browser = None  # the running browser, ended on the way out
        self.second = None  # a start handing its address over
        self.tree = []
        self.checked = 0
        self.damaged = 0
        self.lost_rounds = 0
        self.largest_offer = 0
        self.hand_overs = 0
        self.late_kills = 0
        self.stragglers = 0
        self.unwritten = 0

    def start(self, url):
        """Starts the browser and returns the seconds until its window showed."""
        t0 = time.perf_counter()
        self.browser = benchlib.start([self.scratch.tabulon, url], self.env)
        window, _ = xdisplay.wait_until(lambda: self.display.find_window(CAPTION),
                                        WINDOW_TIMEOUT, 0.005)
        if not window:
            raise RuntimeError(f"no window {WINDOW_TIMEOUT} s after starting {url}")
        return time.perf_counter() - t0

    def hand_over(self, url):
        self.second = benchlib.start([self.scratch.tabulon, url], self.env)
        try:
            status = self.second.wait(15)
        except subprocess.TimeoutExpired:
            status = None
        if status != 0:
            raise RuntimeError(f"handing {url} over ended with {status}")
        self.second = None
        self.hand_overs += 1

    def kill(self):
        self.tree = benchlib.descendants(self.browser.pid)
        os.kill(self.browser.pid, signal.SIGKILL)
        self.browser.wait()
        self.browser = None
        left = wait_gone(self.tree, 10)
        self.stragglers += len(left)
        kill_all(left)
        wait_gone(left, 5)
        self.tree = []
        # Its window goes with its connection to the display; the next
        # round's must not be taken for it.
        xdisplay.wait_until(lambda: not self.display.find_window(CAPTION), 10, 0.01)

    def files_after_kill(self, k):
        """Checks every session file; returns the addresses the user had."""
        had = set()
        for name in session_files(self.folder):
            self.checked += 1
            session = read_session(os.path.join(self.folder, name))
            if session is None:
                self.damaged += 1
                print(f"round {k}: {name} is damaged", flush=True)
                continue
            # A session ended normally offers nothing, and need not.
            if name == "session.previous" or not session["ended"]:
                had |= addresses(session)
        return had

    def check_offer(self, k, had):
        """Round k's addresses against what the start after it offers."""
        offered = addresses(read_session(os.path.join(self.folder, "session.previous")))
        self.largest_offer = max(self.largest_offer, len(offered))
        missing = had - offered
        if missing:
            self.lost_rounds += 1
            print(f"round {k}: not offered at the next start: {' '.join(sorted(missing))}",
                  flush=True)

    def run(self):
        had = None
        for k in range(1, self.args.rounds + 1):
            page = self.server.url(f"{k}a")
            opened = {page}
            self.start(page)
            shown = time.perf_counter()
            if had is not None:
                self.check_offer(k - 1, had)
            delay = self.rng.uniform(0.3, 3.0)
            if self.rng.random() < 0.5:
                # The second start waits for its answer: a kill while it
                # asks would make it the owner of the profile instead.
                time.sleep(self.rng.uniform(0, delay) * 0.5)
                page = self.server.url(f"{k}b")
                opened.add(page)
                self.hand_over(page)
            wait = shown + delay - time.perf_counter()
            if wait > 0:
                time.sleep(wait)
            else:
                self.late_kills += 1
            self.kill()
            had = self.files_after_kill(k)
            # Opened within the last write's wait (up to a second): not
            # the user's tabs on disk yet, and not counted as lost.
            self.unwritten += len(opened - had)
            if self.args.progress and k % self.args.progress == 0:
                print(f"... {k} rounds, {self.lost_rounds} with lost tabs, "
                      f"{self.damaged} damaged files", flush=True)
        if had is not None:
            self.start(self.server.url("last"))
            self.check_offer(self.args.rounds, had)
            self.close_browser()

    def close_browser(self):
        if self.second is not None:
            # Before the browser: with it gone, this one would take its place.
            benchlib.stop(self.second)
            self.second = None
        if self.browser is not None:
            benchlib.stop(self.browser)
            self.browser = None
        kill_all([p for p in self.tree if alive(p)])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--rounds", type=int, default=200)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--binary", default=None)
    ap.add_argument("--display", default=None, help="an X display to use instead of an own Xvfb")
    ap.add_argument("--progress", type=int, default=25, help="a line every N rounds, 0 for none")
    args = ap.parse_args()

    # Ctrl+C or a plain kill: end everything started here on the way out.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(130))
    t0 = time.perf_counter()
    xvfb = None
    server = scratch = loop = None
    try:
        if args.display is None:
            xvfb = Xvfb()
        name = args.display or xvfb.name
        display = xdisplay.Display(name)
        display.name = name
        server = benchlib.PageServer()
        scratch = benchlib.Scratch(binary=args.binary)
        # The ad blocker's rules compiled once, as on every start but the first.
        scratch.warm_blocker(scratch.env(name))
        loop = Loop(args, display, server, scratch)
        loop.run()
    except KeyboardInterrupt:
        print("interrupted", file=sys.stderr)
        return 130
    finally:
        if loop:
            loop.close_browser()
        if scratch:
            scratch.remove()
        if server:
            server.close()
        if xvfb:
            xvfb.close()

    print(benchlib.machine())
    print(f"rounds: {args.rounds} (seed {args.seed}, {loop.hand_overs} with a tab handed over, "
          f"{loop.late_kills} killed later than drawn)")
    print(f"session files checked: {loop.checked}")
    print(f"damaged: {loop.damaged}")
    print(f"rounds whose earlier tabs were not offered at the next start: {loop.lost_rounds}")
    print(f"largest offer: {loop.largest_offer} tabs")
    print(f"tabs opened too shortly before the kill to be in a file: {loop.unwritten}")
    print(f"engine processes that outlived the browser: {loop.stragglers}")
    print(f"total time: {time.perf_counter() - t0:.0f} s")
    return 1 if loop.damaged or loop.lost_rounds else 0


if __name__ == "__main__":
    sys.exit(main())
