#!/usr/bin/env python3
"""Cold start to page shown: from starting the process to its window caption
showing a loopback page's title. Runs each installed browser in turn, round
after round, so that they share the machine's mood alike.

    python3 bench/startup.py [--display :53] [--runs 10] [--browsers tabulon,surf,epiphany]
"""

import argparse
import os
import time

import benchlib
import xdisplay


def one_run(display, argv, env, timeout=30.0):
    t0 = time.perf_counter()
    proc = benchlib.start(argv, env)
    try:
        window, waited = xdisplay.wait_until(lambda: display.find_window(benchlib.PAGE_TITLE),
                                             timeout)
        return (time.perf_counter() - t0) if window else None
    finally:
        benchlib.stop(proc)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--display", default=os.environ.get("DISPLAY", ":53"))
    ap.add_argument("--runs", type=int, default=10)
    ap.add_argument("--browsers", default="tabulon,surf,epiphany")
    ap.add_argument("--binary", default=None, help="the tabulon to measure (build/tabulon)")
    args = ap.parse_args()

    server = benchlib.PageServer()
    scratch = benchlib.Scratch(binary=args.binary)
    # GNOME Web's sandbox cannot start in a container; the others use none.
    env = scratch.env(args.display, {"WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS": "1"})
    bus = benchlib.session_bus(env)
    display = xdisplay.Display(args.display)
    argvs = benchlib.browsers(scratch, args.browsers.split(","))
    times = {name: [] for name in argvs}
    failures = {name: 0 for name in argvs}
    try:
        # One unmeasured run each: the first start of a browser creates its
        # profile folders, which no later start has to do.
        # Every start gets an address it has never seen: GNOME Web shows the
        # title its history remembers for an address before the page has
        # even arrived.
        fresh = iter(range(1_000_000))
        for name, argv in argvs.items():
            one_run(display, argv([server.url(next(fresh))]), env)
        for _ in range(args.runs):
            for name, argv in argvs.items():
                t = one_run(display, argv([server.url(next(fresh))]), env)
                if t is None:
                    failures[name] += 1
                else:
                    times[name].append(t)
    finally:
        if bus:
            benchlib.stop(bus)
        server.close()
        scratch.remove()

    print(f"Cold start to page shown, {args.runs} runs each, {time.strftime('%Y-%m-%d')}")
    print(benchlib.machine())
    rows = []
    import statistics
    ours = statistics.median(times["tabulon"]) if times.get("tabulon") else None
    for name in argvs:
        med = statistics.median(times[name]) if times[name] else None
        ratio = f"{ours / med:.2f}" if ours and med and name != "tabulon" else "-"
        rows.append([name, benchlib.median_spread(times[name]), failures[name], ratio])
    print(benchlib.table(["browser", "median s (min, max)", "failed", "tabulon / this"], rows))


if __name__ == "__main__":
    main()
