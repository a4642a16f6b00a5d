#!/usr/bin/env python3
"""A page that stops answering, on one site, and what the user of the other
tabs sees: how soon after the page starts looping the notice appears over
the current tab (another site's, the looping tab out of sight), how long a new
tab of another site takes to load, and how long a tab switch takes to paint
(two tabs of 127.0.0.1 while a page on 127.0.0.2 loops).

    python3 bench/hang.py --display :53 [--runs 3]
"""
import argparse
import os
import signal
import statistics
import time

import benchlib
import xdisplay


def run_once(display, server, binary):
    page = server.url(host="127.0.0.1")
    loop = page.replace("/page", "/loop").replace("127.0.0.1", "127.0.0.2")
    # Ctrl+1 opens the looping page, Ctrl+2 a page of the other site.
    scratch = benchlib.Scratch(favourite_urls=[loop, page], binary=binary)
    env = scratch.env(display.name)
    scratch.warm_blocker(env)
    server.reset()
    server.loop_served = None
    proc = benchlib.start([scratch.tabulon, page], env)
    d = display
    out = {}
    try:
        window, _ = xdisplay.wait_until(lambda: d.find_window(benchlib.PAGE_TITLE), 30)
        if not window or server.wait_loaded(1, 30) is None:
            raise RuntimeError("tabulon did not show its first page")
        d.focus(window)
        x, y, w, h = d.geometry(window)
        cx, cy = x + w // 2, y + int(h * 0.7)
        time.sleep(0.5)
        colour = d.pixel(cx, cy)
        top = y
        while top < y + h and d.pixel(cx, top) != colour:
            top += 1

        d.key("ctrl+1")
        ok, _ = xdisplay.wait_until(lambda: server.loop_served is not None, 10)
        if not ok:
            raise RuntimeError("the looping page was not asked for")
        looping_from = server.loop_served + 0.3
        # Back to the first tab if the new one is shown; the looping tab
        # stays its neighbour.
        time.sleep(1.0)
        if d.pixel(cx, cy) != colour:
            d.key("ctrl+Tab")
        ok, _ = xdisplay.wait_until(lambda: d.pixel(cx, cy) == colour, 5)
        if not ok:
            raise RuntimeError("the first tab did not come back")
        # Left alone in the background, the looping page is named all the
        # same: the notice pushes the page down.
        ok, _ = xdisplay.wait_until(
            lambda: d.pixel(cx, top + 3) != colour and d.pixel(cx, cy) == colour, 10, 0.005)
        out["background_notice_s"] = time.perf_counter() - looping_from if ok else None
        server.reset()
        t = time.perf_counter()
        d.key("ctrl+2")
        waited = server.wait_loaded(1, 20)
        out["load_s"] = waited if waited is not None else None
        time.sleep(0.5)

        out["switch"] = []
        for _ in range(20):
            before = d.pixel(cx, cy)
            t = time.perf_counter()
            # Tabs 1 and 3 with the looping tab 2 between them.
            d.key("ctrl+shift+Tab" if before == colour else "ctrl+Tab")
            ok, _ = xdisplay.wait_until(
                lambda: (lambda c: benchlib.PageServer.is_page_colour(c) and c != before)(
                    d.pixel(cx, cy)), 2.0, 0)
            if ok:
                out["switch"].append(time.perf_counter() - t)
            time.sleep(0.1)

        return out
    finally:
        # A looping page's process does not notice its browser has gone.
        family = benchlib.descendants(proc.pid)
        benchlib.stop(proc)
        for pid in family:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        scratch.remove()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--display", default=os.environ.get("DISPLAY", ":53"))
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--binary", default=None)
    args = ap.parse_args()
    server = benchlib.PageServer(sites=2)
    display = xdisplay.Display(args.display)
    display.name = args.display
    runs = []
    try:
        for _ in range(args.runs):
            runs.append(run_once(display, server, args.binary))
    finally:
        server.close()

    def fmt(values, scale=1.0, unit=""):
        values = [v * scale for v in values if v is not None]
        if not values:
            return "-"
        return f"{statistics.median(values):.2f}{unit} (of {len(values)}: " + \
            ", ".join(f"{v:.2f}" for v in values) + ")"

    print(f"a page looping on 127.0.0.2, tabs of 127.0.0.1, {time.strftime('%Y-%m-%d %H:%M')}")
    print(benchlib.machine())
    switches = [s for r in runs for s in r["switch"]]
    rows = [
        ["notice, from the start of the loop in a tab out of sight (s)",
         fmt([r["background_notice_s"] for r in runs])],
        ["new tab of the other site loaded in (s)", fmt([r["load_s"] for r in runs])],
        ["tab switch painted in (ms, median of all)",
         f"{statistics.median(switches) * 1000:.1f}, n={len(switches)}" if switches else "-"],
    ]
    print(benchlib.table(["tabulon", "figure"], rows))


if __name__ == "__main__":
    main()
