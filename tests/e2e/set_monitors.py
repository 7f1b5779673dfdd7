#!/usr/bin/env python3
"""Splits the X screen of $DISPLAY into monitors (RandR 1.5), as a desktop
of several monitors shows itself to programs: Qt's screens, and the
Xinerama heads that Wine reads, follow the RandR monitors.

    set_monitors.py WxH+X+Y [WxH+X+Y ...]

The first monitor takes the screen's output and becomes the primary one.
Uses libX11 and libXrandr directly, so no X utility beyond the libraries
is needed. Exits 1 when the display or the extension is missing.
"""
import ctypes
import ctypes.util
import re
import sys


class MonitorInfo(ctypes.Structure):
    _fields_ = [("name", ctypes.c_ulong), ("primary", ctypes.c_int), ("automatic", ctypes.c_int),
                ("noutput", ctypes.c_int), ("x", ctypes.c_int), ("y", ctypes.c_int),
                ("width", ctypes.c_int), ("height", ctypes.c_int), ("mwidth", ctypes.c_int),
                ("mheight", ctypes.c_int), ("outputs", ctypes.POINTER(ctypes.c_ulong))]


class ScreenResources(ctypes.Structure):
    _fields_ = [("timestamp", ctypes.c_ulong), ("configTimestamp", ctypes.c_ulong), ("ncrtc", ctypes.c_int),
                ("crtcs", ctypes.POINTER(ctypes.c_ulong)), ("noutput", ctypes.c_int),
                ("outputs", ctypes.POINTER(ctypes.c_ulong))]


def load(name):
    path = ctypes.util.find_library(name)
    if path is None:
        sys.exit(f"set_monitors: lib{name} is not installed")
    return ctypes.CDLL(path)


def main(args):
    geometries = []
    for arg in args:
        m = re.fullmatch(r"(\d+)x(\d+)\+(-?\d+)\+(-?\d+)", arg)
        if m is None:
            sys.exit(f"set_monitors: not a geometry WxH+X+Y: {arg}")
        geometries.append(tuple(int(g) for g in m.groups()))
    if not geometries:
        sys.exit(__doc__)
    x11, xrandr = load("X11"), load("Xrandr")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xrandr.XRRQueryVersion.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
    xrandr.XRRGetScreenResourcesCurrent.restype = ctypes.POINTER(ScreenResources)
    xrandr.XRRGetScreenResourcesCurrent.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xrandr.XRRAllocateMonitor.restype = ctypes.POINTER(MonitorInfo)
    xrandr.XRRAllocateMonitor.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xrandr.XRRSetMonitor.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(MonitorInfo)]

    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("set_monitors: cannot open the display")
    major, minor = ctypes.c_int(), ctypes.c_int()
    if not xrandr.XRRQueryVersion(display, ctypes.byref(major), ctypes.byref(minor)) or \
            (major.value, minor.value) < (1, 5):
        sys.exit("set_monitors: the X server has no RandR 1.5")
    root = x11.XDefaultRootWindow(display)
    resources = xrandr.XRRGetScreenResourcesCurrent(display, root)
    output = resources.contents.outputs[0] if resources and resources.contents.noutput > 0 else None
    for i, (w, h, x, y) in enumerate(geometries):
        take_output = i == 0 and output is not None
        info = xrandr.XRRAllocateMonitor(display, 1 if take_output else 0)
        info.contents.name = x11.XInternAtom(display, f"monitor-{i + 1}".encode(), 0)
        info.contents.primary = 1 if i == 0 else 0
        info.contents.x, info.contents.y, info.contents.width, info.contents.height = x, y, w, h
        # About 96 dpi.
        info.contents.mwidth, info.contents.mheight = w * 254 // 960, h * 254 // 960
        if take_output:
            info.contents.outputs[0] = output
        xrandr.XRRSetMonitor(display, root, info)
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)


if __name__ == "__main__":
    main(sys.argv[1:])
