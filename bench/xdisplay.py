"""Just enough Xlib (through ctypes) to watch a browser from outside.

Captions are read straight from the X server and key presses are sent with
XTest, so that no helper process is started between the event and the
observation: a poll costs one round trip, well under a millisecond on Xvfb.
"""

import ctypes
import ctypes.util
import time

_x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
_xt = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")

Window = ctypes.c_ulong
Atom = ctypes.c_ulong

_x.XOpenDisplay.restype = ctypes.c_void_p
_x.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x.XDefaultRootWindow.restype = Window
_x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x.XInternAtom.restype = Atom
_x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_x.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window),
                          ctypes.POINTER(Window), ctypes.POINTER(ctypes.POINTER(Window)),
                          ctypes.POINTER(ctypes.c_uint)]
_x.XGetWindowProperty.argtypes = [ctypes.c_void_p, Window, Atom, ctypes.c_long, ctypes.c_long,
                                  ctypes.c_int, Atom, ctypes.POINTER(Atom),
                                  ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
                                  ctypes.POINTER(ctypes.c_ulong),
                                  ctypes.POINTER(ctypes.c_void_p)]
_x.XFree.argtypes = [ctypes.c_void_p]
_x.XGetImage.restype = ctypes.c_void_p
_x.XGetImage.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                         ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x.XTranslateCoordinates.argtypes = [ctypes.c_void_p, Window, Window, ctypes.c_int, ctypes.c_int,
                                     ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
                                     ctypes.POINTER(Window)]
_x.XGetGeometry.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window),
                            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
                            ctypes.POINTER(ctypes.c_uint), ctypes.POINTER(ctypes.c_uint),
                            ctypes.POINTER(ctypes.c_uint), ctypes.POINTER(ctypes.c_uint)]
_x.XKeysymToKeycode.restype = ctypes.c_ubyte
_x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_x.XStringToKeysym.restype = ctypes.c_ulong
_x.XStringToKeysym.argtypes = [ctypes.c_char_p]
_x.XFlush.argtypes = [ctypes.c_void_p]
_x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_x.XSetInputFocus.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_ulong]
_x.XSetErrorHandler.argtypes = [ctypes.c_void_p]
_xt.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
_xt.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
_xt.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_ulong]

# Windows come and go while they are looked at; a BadWindow must not end the
# benchmark.
_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(
    lambda d, e: 0)
_x.XSetErrorHandler(ctypes.cast(_ERROR_HANDLER, ctypes.c_void_p))

ZPIXMAP = 2
ALL_PLANES = 0xFFFFFFFF


class Display:
    def __init__(self, name):
        self.d = _x.XOpenDisplay(name.encode())
        if not self.d:
            raise RuntimeError("cannot open display " + name)
        self.root = _x.XDefaultRootWindow(self.d)
        self.net_wm_name = _x.XInternAtom(self.d, b"_NET_WM_NAME", 0)
        self.wm_name = _x.XInternAtom(self.d, b"WM_NAME", 0)

    def children(self, window):
        root, parent = Window(), Window()
        kids = ctypes.POINTER(Window)()
        n = ctypes.c_uint()
        if not _x.XQueryTree(self.d, window, ctypes.byref(root), ctypes.byref(parent),
                             ctypes.byref(kids), ctypes.byref(n)):
            return []
        out = [kids[i] for i in range(n.value)]
        if kids:
            _x.XFree(kids)
        return out

    def _property(self, window, atom):
        kind, fmt = Atom(), ctypes.c_int()
        count, after = ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.c_void_p()
        ok = _x.XGetWindowProperty(self.d, window, atom, 0, 1024, 0, 0, ctypes.byref(kind),
                                   ctypes.byref(fmt), ctypes.byref(count), ctypes.byref(after),
                                   ctypes.byref(data))
        if ok != 0 or not data.value:
            return None
        text = ctypes.string_at(data.value, count.value)
        _x.XFree(data)
        return text.decode("utf-8", "replace")

    def title(self, window):
        t = self._property(window, self.net_wm_name)
        return t if t is not None else self._property(window, self.wm_name)

    def find_window(self, text):
        """A top-level window whose caption contains text, or None."""
        for w in self.children(self.root):
            t = self.title(w)
            if t and text in t:
                return w
        return None

    def geometry(self, window):
        """(x, y, width, height) of the window on the screen."""
        r = Window()
        x, y = ctypes.c_int(), ctypes.c_int()
        w, h, b, d = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
        _x.XGetGeometry(self.d, window, ctypes.byref(r), ctypes.byref(x), ctypes.byref(y),
                        ctypes.byref(w), ctypes.byref(h), ctypes.byref(b), ctypes.byref(d))
        ax, ay, child = ctypes.c_int(), ctypes.c_int(), Window()
        _x.XTranslateCoordinates(self.d, window, self.root, 0, 0, ctypes.byref(ax),
                                 ctypes.byref(ay), ctypes.byref(child))
        return ax.value, ay.value, w.value, h.value

    def pixels(self, x, y, width, height):
        """The screen's pixels (0xRRGGBB) of a rectangle, row by row, as a list."""
        image = _x.XGetImage(self.d, self.root, x, y, width, height, ALL_PLANES, ZPIXMAP)
        if not image:
            return None
        # XImage begins with width, height, xoffset, format (ints), then data.
        data = ctypes.c_void_p.from_address(image + 16).value
        bytes_per_line = ctypes.c_int.from_address(image + 44).value
        raw = ctypes.string_at(data, bytes_per_line * height)
        _x.XFree(data)
        _x.XFree(image)
        out = []
        for row in range(height):
            base = row * bytes_per_line
            for col in range(width):
                b, g, r = raw[base + 4 * col], raw[base + 4 * col + 1], raw[base + 4 * col + 2]
                out.append((r << 16) | (g << 8) | b)
        return out

    def pixel(self, x, y):
        p = self.pixels(x, y, 1, 1)
        return p[0] if p else None

    def focus(self, window):
        x, y, w, h = self.geometry(window)
        _xt.XTestFakeMotionEvent(self.d, -1, x + w // 2, y + h // 2, 0)
        _x.XSetInputFocus(self.d, window, 1, 0)
        _x.XSync(self.d, 0)

    def key(self, combo):
        """Presses and releases a combination such as "ctrl+Tab" now."""
        names = combo.split("+")
        codes = []
        for n in names:
            n = {"ctrl": "Control_L", "shift": "Shift_L", "alt": "Alt_L"}.get(n, n)
            codes.append(_x.XKeysymToKeycode(self.d, _x.XStringToKeysym(n.encode())))
        for c in codes:
            _xt.XTestFakeKeyEvent(self.d, c, 1, 0)
        for c in reversed(codes):
            _xt.XTestFakeKeyEvent(self.d, c, 0, 0)
        _x.XFlush(self.d)

    def click(self, x, y):
        """Moves the pointer to x, y and clicks the first button."""
        _xt.XTestFakeMotionEvent(self.d, -1, x, y, 0)
        _xt.XTestFakeButtonEvent(self.d, 1, 1, 0)
        _xt.XTestFakeButtonEvent(self.d, 1, 0, 0)
        _x.XFlush(self.d)

    def sync(self):
        _x.XSync(self.d, 0)


def wait_until(predicate, timeout, interval=0.001):
    """Polls predicate; returns (value, seconds waited) or (None, timeout)."""
    start = time.perf_counter()
    while True:
        v = predicate()
        now = time.perf_counter()
        if v:
            return v, now - start
        if now - start > timeout:
            return None, timeout
        time.sleep(interval)
