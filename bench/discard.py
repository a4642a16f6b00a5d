#!/usr/bin/env python3
"""What discarding tabs left alone gives back: the browser opens heavy pages
in many tabs (each a large document), every tab is shown once so that its
page loads, the first tab is shown again, and the memory of the browser and
its processes is taken; then, with tabs set to rest after one minute, the
memory is taken again once the governor has run (about two minutes later).

    python3 bench/discard.py [--display :53] [--tabs 30] [--sites 1]

With --sites N the pages come from N loopback sites (127.0.0.1 ...), tab n
from site n mod N, so that the engine puts them in several processes.

The tabs come from a session file the benchmark writes, restored at start
by the option that restores the last tabs.
"""

import argparse
import http.server
import os
import threading
import time

import benchlib
import restore
import xdisplay


class HeavyPages:
    """Serves /heavy/N: a page of 20,000 paragraphs and a script holding a
    few megabytes, titled "heavy N"."""

    def __init__(self, sites=1):
        self.served = 0
        pages = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                n = self.path.rsplit("/", 1)[-1]
                body = (f"<title>heavy {n}</title><script>window.keep = new Array(500000)"
                        ".fill(0).map((_, i) => 'x' + i);</script>"
                        + "".join(f"<p>{n} paragraph {i}</p>" for i in range(20000)))
                data = body.encode()
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)
                pages.served += 1

        self.servers = []
        for site in range(1, sites + 1):
            httpd = http.server.ThreadingHTTPServer((f"127.0.0.{site}", 0), Handler)
            threading.Thread(target=httpd.serve_forever, daemon=True).start()
            self.servers.append(httpd)

    def url(self, n):
        host, port = self.servers[n % len(self.servers)].server_address[:2]
        return f"http://{host}:{port}/heavy/{n}"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--display", default=os.environ.get("DISPLAY", ":53"))
    ap.add_argument("--tabs", type=int, default=30)
    ap.add_argument("--rest", type=float, default=150.0,
                    help="seconds to wait for the governor after the first measure")
    ap.add_argument("--sites", type=int, default=1)
    ap.add_argument("--binary", default=None)
    args = ap.parse_args()

    pages = HeavyPages(args.sites)
    display = xdisplay.Display(args.display)
    scratch = benchlib.Scratch(binary=args.binary)
    try:
        restore.write_session(scratch.home, [pages.url(i) for i in range(1, args.tabs)])
        folder = os.path.join(scratch.home, ".config/Tabulon")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "settings.conf"), "w") as f:
            f.write("[Internet]\nRestoreTabs=1\nDiscardAfterMinutes=1\n")
        proc = benchlib.start([scratch.tabulon, pages.url(0)], scratch.env(args.display))
        try:
            window, _ = xdisplay.wait_until(lambda: display.find_window("heavy 0"), 60)
            if not window:
                raise RuntimeError("the window did not show")
            display.focus(window)
            for _ in range(args.tabs - 1):
                display.key("F3")  # the tab to the right: shown, so it loads
                time.sleep(0.5)
            xdisplay.wait_until(lambda: pages.served >= args.tabs, 60)
            display.key("ctrl+F2")  # back to the first tab
            loaded = benchlib.settle_memory(proc.pid, 10.0)
            rested = benchlib.settle_memory(proc.pid, args.rest)
        finally:
            benchlib.stop(proc)
    finally:
        scratch.remove()
    print(benchlib.machine())
    print(benchlib.table(
        ["tabs", "sites", "pages served", "PSS all loaded (MB)", "processes",
         "PSS after resting (MB)", "processes after"],
        [[str(args.tabs), str(args.sites), str(pages.served), f"{loaded[0]:.0f}", str(loaded[1]),
          f"{rested[0]:.0f}", str(rested[1])]]))


if __name__ == "__main__":
    main()
