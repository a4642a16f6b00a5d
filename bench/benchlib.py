"""What the benchmarks share: a loopback page server that counts loads, the
browsers under test started in a scratch home, and memory read from /proc."""

import http.server
import mimetypes
import os
import platform
import re
import shutil
import sys
import signal
import statistics
import subprocess
import tempfile
import threading
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PAGE_TITLE = "Bench page"


class PageServer:
    """Serves /page (a full-window page of its own colour that reports its
    onload through /loaded) on 127.0.0.1. Every page served gets a colour no
    other page had, so a screen pixel tells which page is shown."""

    def __init__(self, sites=1, docs=None):
        """docs: a folder of real pages (Python's HTML documentation); /page
        then serves its pages in turn, each reporting its onload, and every
        other address the folder's files."""
        self.lock = threading.Condition()
        self.loop_served = None
        self.docs = os.path.realpath(docs) if docs else None
        self.doc_pages = sorted(
            os.path.relpath(os.path.join(folder, name), self.docs)
            for folder, _, names in os.walk(self.docs) for name in names
            if name.endswith(".html")) if docs else []
        self.served = 0
        self.loaded = 0
        self.load_times = []
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def _send(self, body, kind="text/html"):
                data = body.encode()
                self.send_response(200)
                self.send_header("Content-Type", kind + "; charset=utf-8")
                self.send_header("Content-Length", str(len(data)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                self.wfile.write(data)

            def do_GET(self):
                if self.path.startswith("/loaded"):
                    with server.lock:
                        server.loaded += 1
                        server.load_times.append(time.perf_counter())
                        server.lock.notify_all()
                    self._send("ok", "text/plain")
                    return
                if self.path.startswith("/loop"):
                    # A page that stops answering 300 ms after it loads.
                    with server.lock:
                        server.loop_served = time.perf_counter()
                        server.lock.notify_all()
                    self._send("<!doctype html><html><head><title>loop</title></head><body>"
                               "<script>setTimeout(() => { for (;;) {} }, 300)</script>"
                               "</body></html>")
                    return
                if self.path.startswith("/page") and server.docs:
                    with server.lock:
                        server.served += 1
                        n = server.served
                    name = server.doc_pages[(n - 1) % len(server.doc_pages)]
                    # Its own address, so that its links and pictures load.
                    self.send_response(302)
                    self.send_header("Location", "/" + name)
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                    return
                if server.docs and self.path.split("?")[0].endswith(".html"):
                    path = os.path.realpath(os.path.join(server.docs, self.path.split("?")[0][1:]))
                    if not path.startswith(server.docs + "/") or not os.path.isfile(path):
                        self.send_error(404)
                        return
                    with open(path, encoding="utf-8", errors="replace") as f:
                        html = f.read()
                    report = ("<script>addEventListener('load', () => "
                              "fetch('/loaded?' + Math.random()))</script>")
                    html = re.sub(r"<title>.*?</title>", "", html, count=1, flags=re.S)
                    html = html.replace("</head>", f"<title>{PAGE_TITLE}</title>{report}</head>", 1)
                    self._send(html)
                    return
                if server.docs:
                    path = os.path.realpath(os.path.join(server.docs, self.path.split("?")[0][1:]))
                    if path.startswith(server.docs + "/") and os.path.isfile(path):
                        kind = mimetypes.guess_type(path)[0] or "application/octet-stream"
                        with open(path, "rb") as f:
                            data = f.read()
                        self.send_response(200)
                        self.send_header("Content-Type", kind)
                        self.send_header("Content-Length", str(len(data)))
                        self.end_headers()
                        self.wfile.write(data)
                        return
                if self.path.startswith("/page"):
                    with server.lock:
                        server.served += 1
                        n = server.served
                    colour = PageServer.colour(n)
                    self._send(
                        "<!doctype html><html><head><meta charset=utf-8>"
                        f"<title>{PAGE_TITLE}</title>"
                        f"<style>html,body{{margin:0;height:100%;background:#{colour:06x}}}</style>"
                        "</head><body onload=\"fetch('/loaded?'+Math.random())\">"
                        f"<p>page {n}</p></body></html>")
                    return
                self.send_error(404)

        class Server(http.server.ThreadingHTTPServer):
            def handle_error(self, request, client_address):
                # A browser killed mid-connection is expected here.
                if not isinstance(sys.exc_info()[1], ConnectionError):
                    super().handle_error(request, client_address)

        self.httpd = Server(("127.0.0.1", 0), Handler)
        self.httpd.daemon_threads = True
        self.port = self.httpd.server_address[1]
        # The same pages on 127.0.0.2 ... for tabs of other sites.
        self.others = [Server((f"127.0.0.{n}", self.port), Handler) for n in range(2, sites + 1)]
        for httpd in [self.httpd] + self.others:
            httpd.daemon_threads = True
            threading.Thread(target=httpd.serve_forever, daemon=True).start()

    @staticmethod
    def colour(n):
        # Blue fixed at 0x40: never white, grey or any colour of the chrome.
        return ((n * 53) % 200 + 30) << 16 | ((n * 97) % 200 + 30) << 8 | 0x40

    @staticmethod
    def is_page_colour(c):
        return c is not None and (c & 0xFF) == 0x40

    def url(self, n=None, host="127.0.0.1"):
        return f"http://{host}:{self.port}/page" + (f"?{n}" if n is not None else "")

    def reset(self):
        with self.lock:
            self.loaded = 0
            self.load_times = []

    def wait_loaded(self, count, timeout):
        """Seconds until count pages have reported their onload, or None."""
        start = time.perf_counter()
        with self.lock:
            while self.loaded < count:
                left = timeout - (time.perf_counter() - start)
                if left <= 0:
                    return None
                self.lock.wait(left)
        return time.perf_counter() - start

    def close(self):
        for httpd in [self.httpd] + self.others:
            httpd.shutdown()


def descendants(pid):
    """pid and every process below it."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                stat = f.read()
            ppid = int(stat[stat.rindex(")") + 2:].split()[1])
        except (OSError, ValueError):
            continue
        children.setdefault(ppid, []).append(int(entry))
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        out.append(p)
        todo.extend(children.get(p, []))
    return out


def pss_kb(pid):
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def tree_memory(pid):
    """(total PSS in MB, process count) of pid and its descendants."""
    procs = [p for p in descendants(pid) if os.path.exists(f"/proc/{p}")]
    if os.environ.get("BENCH_PROCESSES"):  # where the memory is, process by process
        for p in procs:
            try:
                with open(f"/proc/{p}/comm") as f:
                    name = f.read().strip()
            except OSError:
                name = "?"
            print(f"  {p:>7} {name:<20} {pss_kb(p) / 1024.0:8.1f} MB", file=sys.stderr)
    return sum(pss_kb(p) for p in procs) / 1024.0, len(procs)


def settle_memory(pid, seconds=3.0):
    time.sleep(seconds)
    return tree_memory(pid)


class Scratch:
    """A scratch home and a copy of the browser beside its own tabulon.ini."""

    def __init__(self, favourite_url=None, binary=None, favourite_urls=None):
        self.dir = tempfile.mkdtemp(prefix="tabulon-bench-")
        self.home = os.path.join(self.dir, "home")
        os.makedirs(self.home)
        binary = binary or os.path.join(REPO, "build", "tabulon")
        self.tabulon = os.path.join(self.dir, "bin", "tabulon")
        os.makedirs(os.path.dirname(self.tabulon))
        shutil.copy2(binary, self.tabulon)
        urls = favourite_urls or ([favourite_url] if favourite_url else [])
        if urls:
            with open(os.path.join(self.dir, "bin", "tabulon.ini"), "w") as f:
                f.write("[URL]\n" + "".join(f"URL{i}={u}\n" for i, u in enumerate(urls, 1)))
                f.write("[TITLE]\n" + "".join(f"TITLE{i}=bench\n" for i in range(1, len(urls) + 1)))

    def env(self, display, extra=None):
        self.display = display
        env = dict(os.environ)
        env.update({
            "DISPLAY": display,
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local/share"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "NO_AT_BRIDGE": "1",
            "GTK_A11Y": "none",
            # No session bus: without one GLib would start a bus for the
            # display that outlives the run, and its accessibility bus,
            # made in this run's home, would name a folder that is gone
            # by the next run (the engine's sandbox then fails to start).
            "DBUS_SESSION_BUS_ADDRESS": "disabled:",
        })
        env.update(extra or {})
        return env

    def warm_blocker(self, env, timeout=float(os.environ.get("BENCH_WARM_TIMEOUT", 180))):
        """Starts the browser once so that the ad blocker's rules are compiled
        and kept in the cache, as they are on every start but the first.
        Returns the seconds that took, or None."""
        store = os.path.join(env["XDG_CACHE_HOME"], "tabulon", "content-filters")
        proc = start([self.tabulon, "about:blank"], env)
        try:
            t0 = time.perf_counter()
            while time.perf_counter() - t0 < timeout:
                if os.path.isdir(store) and any(
                        os.path.getsize(os.path.join(store, f)) > 0 for f in os.listdir(store)):
                    time.sleep(1.0)  # the store finishes writing its file
                    return time.perf_counter() - t0
                time.sleep(0.2)
            return None
        finally:
            stop(proc)

    def block_ads(self, sites, on):
        """The ページ menu's ad blocking switch, set for these hosts."""
        folder = os.path.join(self.home, ".config", "Tabulon")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "settings.conf"), "w") as f:
            f.write("[AdBlocking]\n" + "".join(f"{h}={int(on)}\n" for h in sites))

    def remove(self):
        # An accessibility bus started for a browser run here names a socket
        # in this folder on the display's root window; once the folder is
        # gone, the stale name would stop the next browser on the display.
        display = getattr(self, "display", None)
        if display and shutil.which("xprop"):
            shown = subprocess.run(["xprop", "-display", display, "-root", "AT_SPI_BUS"],
                                   capture_output=True, text=True).stdout
            if self.dir in shown:
                subprocess.run(["xprop", "-display", display, "-root", "-remove", "AT_SPI_BUS"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # A desktop portal GNOME Web woke may have left a FUSE mount in here.
        try:
            with open("/proc/mounts") as f:
                mounts = [line.split()[1] for line in f if self.dir in line]
        except OSError:
            mounts = []
        for m in mounts:
            subprocess.run(["fusermount", "-uz", m], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        try:
            shutil.rmtree(self.dir, ignore_errors=True)
        except OSError:
            pass


def start(argv, env):
    return subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)


def stop(proc):
    """Ends the browser we started and everything it started."""
    procs = descendants(proc.pid)
    for p in procs:
        try:
            os.kill(p, signal.SIGTERM)
        except OSError:
            pass
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        pass
    for p in procs:
        try:
            os.kill(p, signal.SIGKILL)
        except OSError:
            pass
    # Gone, not just signalled: the next start must not meet any of them.
    deadline = time.time() + 5
    while time.time() < deadline and any(os.path.exists(f"/proc/{p}/stat") and
                                         _state(p) not in ("Z", "X") for p in procs):
        time.sleep(0.05)
    time.sleep(0.3)


def _state(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0]
    except (OSError, IndexError):
        return "X"


def browsers(scratch, which=("tabulon", "surf", "epiphany")):
    """argv builders for the browsers that are installed: f(urls) -> argv."""
    out = {}
    if "tabulon" in which:
        out["tabulon"] = lambda urls: [scratch.tabulon] + urls[:1]
    if "surf" in which and shutil.which("surf"):
        out["surf"] = lambda urls: ["surf"] + urls[:1]
    if "epiphany" in which and shutil.which("epiphany-browser"):
        profile = os.path.join(scratch.home, "epiphany")

        def epiphany(urls):
            # Without this GNOME Web restores the last run's tab first, and
            # its window shows that tab's remembered title before the new
            # page has even arrived.
            try:
                os.remove(os.path.join(profile, "session_state.xml"))
            except OSError:
                pass
            return ["epiphany-browser", f"--profile={profile}"] + urls

        out["epiphany"] = epiphany
    return out


def session_bus(env):
    """A private D-Bus session bus (GNOME Web needs one); every browser gets the
    same one. Returns the daemon's process or None."""
    if not shutil.which("dbus-daemon"):
        return None
    proc = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env,
                            text=True)
    env["DBUS_SESSION_BUS_ADDRESS"] = proc.stdout.readline().strip()
    return proc


def machine():
    cpu = "?"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    with open("/proc/meminfo") as f:
        mem = int(f.readline().split()[1]) // 1024
    return f"{platform.node()}: {cpu}, {os.cpu_count()} cores, {mem} MB, {platform.release()}"


def median_spread(values):
    if not values:
        return "-"
    med = statistics.median(values)
    return f"{med:.3f} (min {min(values):.3f}, max {max(values):.3f})"


def table(headers, rows):
    widths = [max(len(str(x)) for x in [h] + [r[i] for r in rows]) for i, h in enumerate(headers)]
    line = "| " + " | ".join(str(h).ljust(w) for h, w in zip(headers, widths)) + " |"
    out = [line, "|" + "|".join("-" * (w + 2) for w in widths) + "|"]
    for r in rows:
        out.append("| " + " | ".join(str(x).ljust(w) for x, w in zip(r, widths)) + " |")
    return "\n".join(out)
