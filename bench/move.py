#!/usr/bin/env python3
"""A tab the user sends to another site, from the URL box: how long the page
takes to load (Enter to the page's onload) when the tab moves to the other
site's engine process, against a browser of one process, where it stays.
Tabs of 127.0.0.1 and 127.0.0.2 stay open beside it. The first load, on
127.0.0.3, starts a process for that site; the later ones alternate
between 127.0.0.1 and 127.0.0.2, whose processes run.

    python3 bench/move.py --display :53 [--runs 3] [--loads 10]
"""
import argparse
import os
import statistics
import subprocess
import time

import benchlib
import xdisplay


def run_once(display, server, binary, processes, loads):
    # Ctrl+1 and Ctrl+2 open the tabs that keep the two sites' processes.
    scratch = benchlib.Scratch(binary=binary, favourite_urls=[
        server.url(100, host="127.0.0.1"), server.url(101, host="127.0.0.2")])
    env = scratch.env(display.name, {"TABULON_WEB_PROCESSES": str(processes)})
    scratch.warm_blocker(env)
    server.reset()
    proc = benchlib.start([scratch.tabulon, server.url(0)], env)
    out = {"first": None, "later": []}
    try:
        window, _ = xdisplay.wait_until(lambda: display.find_window(benchlib.PAGE_TITLE), 30)
        if not window or server.wait_loaded(1, 30) is None:
            raise RuntimeError("tabulon did not show its first page")
        display.focus(window)
        for combo in ("ctrl+1", "ctrl+2"):
            server.reset()
            display.key(combo)
            if server.wait_loaded(1, 20) is None:
                raise RuntimeError("a favourite did not load")
        time.sleep(0.5)
        for n in range(1, loads + 1):
            host = "127.0.0.3" if n == 1 else "127.0.0.2" if n % 2 else "127.0.0.1"
            display.key("alt+d")
            time.sleep(0.1)
            subprocess.run(["xdotool", "type", "--delay", "0", server.url(n, host=host)],
                           env=dict(os.environ, DISPLAY=display.name), check=True)
            time.sleep(0.2)
            server.reset()
            display.key("Return")
            took = server.wait_loaded(1, 20)
            if n == 1:
                out["first"] = took
            else:
                out["later"].append(took)
            time.sleep(0.3)
        out["memory"] = benchlib.settle_memory(proc.pid, 3.0)
        return out
    finally:
        benchlib.stop(proc)
        scratch.remove()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--display", default=os.environ.get("DISPLAY", ":53"))
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--loads", type=int, default=10)
    ap.add_argument("--binary", default=None)
    args = ap.parse_args()
    server = benchlib.PageServer(sites=3)
    display = xdisplay.Display(args.display)
    display.name = args.display
    results = {}
    try:
        for processes in (4, 1):
            results[processes] = [run_once(display, server, args.binary, processes, args.loads)
                                  for _ in range(args.runs)]
    finally:
        server.close()

    def ms(values):
        values = [v * 1000 for v in values if v is not None]
        if not values:
            return "-"
        return f"{statistics.median(values):.0f} (n={len(values)}, {min(values):.0f}–{max(values):.0f})"

    print(f"a tab sent to another site from the URL box, {time.strftime('%Y-%m-%d %H:%M')}")
    print(benchlib.machine())
    rows = []
    for processes, label in ((4, "pool of 4: the tab moves"), (1, "one process: it stays")):
        runs = results[processes]
        rows.append([label, ms([r["first"] for r in runs]),
                     ms([t for r in runs for t in r["later"]]),
                     f"{statistics.median(r['memory'][0] for r in runs):.0f} in "
                     f"{runs[0]['memory'][1]} processes"])
    print(benchlib.table(["browser", "first load on the new site (ms)",
                          "later loads, alternating (ms)", "PSS after (MB)"], rows))


if __name__ == "__main__":
    main()
