#!/usr/bin/env python3
"""A hundred tabs brought back at start: the time from starting the browser
to its window showing the first page with every restored label, the pages
loaded meanwhile (restored tabs load only when first shown), and the memory
of the browser and its processes with one tab, with the restored tabs, and
after showing one of them.

    python3 bench/restore.py [--display :53] [--tabs 100] [--runs 5]

The session file is written by the benchmark (every tab an address of the
loopback server, no back/forward list) and the option that restores the
last tabs at every start is set in the scratch home's settings, so the
browser restores without asking.
"""

import argparse
import base64
import os
import statistics
import time

import benchlib
import xdisplay


def b64(text):
    return base64.b64encode(text.encode()).decode()


def write_session(home, urls):
    folder = os.path.join(home, ".local/share/tabulon")
    os.makedirs(folder, exist_ok=True)
    lines = ["TabulonSession 1", "ended 1", "current 1"]
    lines += [f"tab {b64(u)} {b64(f'tab {i}')} " for i, u in enumerate(urls, 1)]
    lines.append("end")
    with open(os.path.join(folder, "session"), "w") as f:
        f.write("\n".join(lines) + "\n")


def set_restore(home, on):
    folder = os.path.join(home, ".config/Tabulon")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "settings.conf"), "w") as f:
        f.write(f"[Internet]\nRestoreTabs={1 if on else 0}\n")


def one_run(display, scratch, server, tabs, restore):
    write_session(scratch.home, [server.url(1000 + i) for i in range(tabs)])
    set_restore(scratch.home, restore)
    env = scratch.env(display.name)
    server.reset()
    t0 = time.perf_counter()
    proc = benchlib.start([scratch.tabulon, server.url()], env)
    try:
        window, _ = xdisplay.wait_until(lambda: display.find_window(benchlib.PAGE_TITLE), 30)
        shown = time.perf_counter() - t0 if window else None
        if server.wait_loaded(1, 30) is None:
            raise RuntimeError("the first page did not load")
        memory = benchlib.settle_memory(proc.pid, 3.0)
        loaded = server.loaded
        after_show = None
        if restore:
            display.focus(window)
            display.key("F3")  # the tab to the right: a restored one
            server.wait_loaded(2, 10)
            after_show = benchlib.settle_memory(proc.pid, 3.0)
        return shown, loaded, memory, after_show
    finally:
        benchlib.stop(proc)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--display", default=os.environ.get("DISPLAY", ":53"))
    ap.add_argument("--tabs", type=int, default=100)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--binary", default=None)
    args = ap.parse_args()

    server = benchlib.PageServer()
    display = xdisplay.Display(args.display)
    display.name = args.display
    scratch = benchlib.Scratch(binary=args.binary)
    rows = {False: [], True: []}
    try:
        one_run(display, scratch, server, args.tabs, False)  # first start makes the folders
        scratch.warm_blocker(scratch.env(display.name))
        for _ in range(args.runs):
            for restore in (False, True):
                rows[restore].append(one_run(display, scratch, server, args.tabs, restore))
    finally:
        scratch.remove()
        server.close()

    def med(values):
        values = [v for v in values if v is not None]
        return statistics.median(values) if values else None

    print(benchlib.machine())
    headers = ["start", "window shown (ms)", "pages loaded", "PSS (MB)", "processes",
               "PSS after showing one (MB)"]
    table = []
    for restore, label in ((False, "1 tab"), (True, f"1 + {args.tabs} restored")):
        runs = rows[restore]
        shown = med([r[0] for r in runs])
        table.append([
            label,
            f"{shown * 1000:.0f}" if shown is not None else "-",
            f"{med([r[1] for r in runs]):.0f}",
            f"{med([r[2][0] for r in runs]):.0f}",
            f"{med([r[2][1] for r in runs]):.0f}",
            f"{med([r[3][0] for r in runs]):.0f}" if restore else "-",
        ])
    print(benchlib.table(headers, table))


if __name__ == "__main__":
    main()
