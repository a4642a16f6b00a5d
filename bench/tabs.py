#!/usr/bin/env python3
"""A hundred tabs: open them through the browser's own commands, time the
loads, read the memory of the browser and all its processes, time tab
switches and tab opening with the tabs open, close all but one and read the
memory again. GNOME Web and surf, when installed, open the same pages.

    python3 bench/tabs.py [--display :53] [--tabs 100] [--pools 4] [--peers epiphany,surf]

How the program is driven: a copy of the browser sits in a scratch folder
beside a tabulon.ini whose favourite 1 is the loopback page; the first tab is
the command-line address, the others are Ctrl+1 presses sent with XTest.
Every page reports its onload to the server (fetch /loaded), which counts.

How painting is seen: every page served has a colour of its own. A tab switch
is painted when the pixel in the middle of the page area, read back from the
X server, shows a page colour other than the previous tab's. A new tab's
label is painted when the row of pixels through the tab strip first changes
after Ctrl+N (the strip is laid out again with one label more).
"""

import argparse
import os
import statistics
import subprocess
import time

import benchlib
import xdisplay


def fmt_mb(mb):
    return f"{mb:.0f}"


def median_ms(values):
    if not values:
        return "-"
    return (f"{statistics.median(values) * 1000:.1f} "
            f"(min {min(values) * 1000:.1f}, max {max(values) * 1000:.1f})")


class Tabulon:
    def __init__(self, display, server, tabs, env_extra, binary, sites=1, blocking=True):
        self.display, self.server, self.tabs = display, server, tabs
        # Favourites 1 ... 10 (Ctrl+1 ... Ctrl+0) are the page on 127.0.0.1 ...
        self.sites = sites
        urls = [server.url(host=f"127.0.0.{n}") for n in range(1, sites + 1)]
        self.scratch = benchlib.Scratch(favourite_urls=urls, binary=binary)
        self.env = self.scratch.env(display_name(display), env_extra)
        # Measured as on every start but the first: the blocker's rules
        # compiled and kept already, or turned off for the sites.
        self.scratch.warm_blocker(self.env)
        if not blocking:
            self.scratch.block_ads([f"127.0.0.{n}" for n in range(1, sites + 1)], False)

    def run(self, switches=30, opens=10, detail=True, quick=False):
        d, server = self.display, self.server
        out = {}
        server.reset()
        proc = benchlib.start([self.scratch.tabulon, server.url()], self.env)
        try:
            window, _ = xdisplay.wait_until(lambda: d.find_window(benchlib.PAGE_TITLE), 30)
            if not window or server.wait_loaded(1, 30) is None:
                raise RuntimeError("tabulon did not show its first page")
            d.focus(window)
            out["one_tab"] = benchlib.settle_memory(proc.pid, 2.0)

            server.reset()
            t0 = time.perf_counter()
            for i in range(1, self.tabs):
                favourite = i % self.sites + 1  # tab 1 is on the first site
                d.key(f"ctrl+{favourite % 10}")
            loaded = server.wait_loaded(self.tabs - 1, 120)
            out["load_s"] = (server.load_times[-1] - t0) if loaded is not None else None
            out["loaded"] = server.loaded + 1
            out["full"] = benchlib.settle_memory(proc.pid, 3.0)
            if not detail:
                return out

            if quick:
                for _ in range(self.tabs - 1):
                    d.key("ctrl+w")
                    time.sleep(0.01)
                out["after_close"] = benchlib.settle_memory(proc.pid, 5.0)
                # The engine checks its processes' memory every few seconds.
                out["after_close_30"] = benchlib.settle_memory(proc.pid, 25.0)
                out["switch"], out["open"] = [], []
                return out
            x, y, w, h = d.geometry(window)
            cx, cy = x + w // 2, y + int(h * 0.7)
            out["switch"] = []
            for _ in range(switches):
                before = d.pixel(cx, cy)
                t = time.perf_counter()
                d.key("ctrl+Tab")
                ok, waited = xdisplay.wait_until(
                    lambda: (lambda c: benchlib.PageServer.is_page_colour(c) and c != before)(
                        d.pixel(cx, cy)), 2.0, 0)
                if ok:
                    out["switch"].append(time.perf_counter() - t)
                time.sleep(0.1)

            # The strip: rows above the page that change when a tab closes.
            top = y
            while top < y + h and not benchlib.PageServer.is_page_colour(d.pixel(cx, top)):
                top += 1
            above = top - y
            first = d.pixels(x, y, w, above)
            d.key("ctrl+w")
            time.sleep(0.5)
            second = d.pixels(x, y, w, above)
            rows = [r for r in range(above) if first[r * w:(r + 1) * w] != second[r * w:(r + 1) * w]]
            d.key("ctrl+n")
            time.sleep(0.5)
            out["open"] = []
            if rows:
                sy = y + rows[len(rows) // 2]
                for _ in range(opens):
                    d.key("ctrl+w")
                    time.sleep(0.4)
                    strip = d.pixels(x, sy, w, 1)
                    t = time.perf_counter()
                    d.key("ctrl+n")
                    ok, _ = xdisplay.wait_until(lambda: d.pixels(x, sy, w, 1) != strip, 2.0, 0)
                    if ok:
                        out["open"].append(time.perf_counter() - t)
                    time.sleep(0.2)

            for _ in range(self.tabs - 1):
                d.key("ctrl+w")
                time.sleep(0.01)
            out["after_close"] = benchlib.settle_memory(proc.pid, 5.0)
            out["after_close_30"] = benchlib.settle_memory(proc.pid, 25.0)
            return out
        finally:
            benchlib.stop(proc)
            self.scratch.remove()


def display_name(display):
    return display.name


def peer_pages(name, display, server, pages, env, scratch):
    """(seconds until all pages loaded or None, pages loaded, MB, processes)."""
    server.reset()
    urls = [server.url(i) for i in range(pages)]
    argvs = benchlib.browsers(scratch, [name])
    procs = []
    t0 = time.perf_counter()
    if name == "epiphany":
        procs.append(benchlib.start(argvs[name](urls), env))
    else:
        # One window, one process per page: surf has no tabs.
        for u in urls:
            procs.append(benchlib.start(argvs[name]([u]), env))
    try:
        loaded = server.wait_loaded(pages, 180)
        took = (server.load_times[-1] - t0) if loaded is not None else None
        count = server.loaded
        time.sleep(3.0)
        total, n = 0.0, 0
        for p in procs:
            mb, k = benchlib.tree_memory(p.pid)
            total += mb
            n += k
        return took, count, total, n
    finally:
        for p in procs:
            benchlib.stop(p)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--display", default=os.environ.get("DISPLAY", ":53"))
    ap.add_argument("--tabs", type=int, default=100)
    ap.add_argument("--pools", default="",
                    help="also measure these engine process counts, e.g. 1,2,4,8")
    ap.add_argument("--peers", default="epiphany,surf")
    ap.add_argument("--surf-pages", type=int, default=20,
                    help="surf opens one process per page; fewer pages keep the run short")
    ap.add_argument("--binary", default=None)
    ap.add_argument("--sites", type=int, default=1,
                    help="spread the tabs over this many loopback sites (127.0.0.1 ...), at most 10")
    ap.add_argument("--no-blocking", action="store_true",
                    help="with the ad blocker turned off for the sites (its memory is the difference)")
    ap.add_argument("--docs", nargs="?", const="/usr/share/doc/python3/html", default=None,
                    help="real pages: each tab a page of this folder (python3-doc's HTML)")
    ap.add_argument("--quick", action="store_true",
                    help="only the loads and the memory, not the switch and opening times")
    args = ap.parse_args()

    if args.docs and not os.path.isdir(args.docs):
        # The benchmark's own set-up: Python's documentation as real pages.
        setup = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts", "setup.sh")
        subprocess.run(["sh", setup, "python3-doc"], check=True)
    server = benchlib.PageServer(sites=args.sites, docs=args.docs)
    display = xdisplay.Display(args.display)
    display.name = args.display
    results = {}
    try:
        results["tabulon"] = Tabulon(display, server, args.tabs, {}, args.binary, args.sites,
                                     not args.no_blocking).run(quick=args.quick)
        pools = {}
        for k in [p for p in args.pools.split(",") if p]:
            pools[k] = Tabulon(display, server, args.tabs, {"TABULON_WEB_PROCESSES": k},
                               args.binary).run(detail=False)
        peers = {}
        scratch = benchlib.Scratch(binary=args.binary)
        env = scratch.env(args.display, {"WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS": "1"})
        bus = benchlib.session_bus(env)
        try:
            for name in [p for p in args.peers.split(",") if p]:
                if name not in benchlib.browsers(scratch, [name]):
                    continue
                pages = args.surf_pages if name == "surf" else args.tabs
                # One page first: GNOME Web started again while its last
                # instance is still ending hands the page to that instance.
                one = peer_pages(name, display, server, 1, env, scratch)
                peers[name] = (pages, peer_pages(name, display, server, pages, env, scratch), one)
        finally:
            if bus:
                benchlib.stop(bus)
            scratch.remove()
    finally:
        server.close()

    r = results["tabulon"]
    kind = "pages of Python's documentation" if args.docs else "a loopback page"
    print(f"{args.tabs} tabs of {kind} over {args.sites} site(s), "
          f"ad blocker {'off' if args.no_blocking else 'on'}, "
          f"{time.strftime('%Y-%m-%d %H:%M')}")
    print(benchlib.machine())
    rows = [
        ["tabs loaded", f"{r['loaded']} of {args.tabs}"],
        ["all loaded after (s)", f"{r['load_s']:.2f}" if r["load_s"] else "-"],
        ["PSS, one tab (MB)", f"{fmt_mb(r['one_tab'][0])} in {r['one_tab'][1]} processes"],
        [f"PSS, {args.tabs} tabs (MB)", f"{fmt_mb(r['full'][0])} in {r['full'][1]} processes"],
        ["tab switch to painted page (ms)", median_ms(r["switch"]) + f", n={len(r['switch'])}"],
        ["Ctrl+N to painted label (ms)", median_ms(r["open"]) + f", n={len(r['open'])}"],
    ]
    for key, when in (("after_close", "5 s"), ("after_close_30", "30 s")):
        rows.append([f"PSS {when} after closing all but one (MB)",
                     f"{fmt_mb(r[key][0])} in {r[key][1]} processes "
                     f"({r[key][0] / r['one_tab'][0]:.2f} x one tab)"])
    print(benchlib.table(["tabulon", "figure"], rows))
    if pools:
        print()
        rows = []
        for k, p in pools.items():
            rows.append([k, f"{p['loaded']}", f"{p['load_s']:.2f}" if p["load_s"] else "-",
                         fmt_mb(p["full"][0]), p["full"][1]])
        print(benchlib.table(["engine processes", "loaded", "all loaded (s)", "PSS (MB)",
                              "processes"], rows))
    if peers:
        print()
        rows = [["tabulon", args.tabs, f"{r['load_s']:.2f}" if r["load_s"] else "-",
                 f"{r['loaded']}", fmt_mb(r["full"][0]), r["full"][1],
                 fmt_mb(r["one_tab"][0]), "-"]]
        for name, (pages, (took, count, mb, n), (_, _, one_mb, _)) in peers.items():
            # Compared at the peer's page count: ours scaled linearly between
            # one tab and all of them.
            ours = r["one_tab"][0] + (r["full"][0] - r["one_tab"][0]) * (pages - 1) / max(
                1, args.tabs - 1)
            rows.append([name, pages, f"{took:.2f}" if took else "-", count, fmt_mb(mb), n,
                         fmt_mb(one_mb), f"{ours / mb:.2f}" if mb else "-"])
        print(benchlib.table(["browser", "pages", "all loaded (s)", "loaded", "PSS (MB)",
                              "processes", "PSS one page (MB)", "tabulon / this"], rows))


if __name__ == "__main__":
    main()
