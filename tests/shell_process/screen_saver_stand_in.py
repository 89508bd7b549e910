#!/usr/bin/python3
# A stand-in org.freedesktop.ScreenSaver service for tests, run on a private session bus
# (dbus-run-session). It writes the bus address to READY once the name is owned, and a line per
# Inhibit / UnInhibit call to LOG, with the number of lines the watched file WATCH held at the
# call (so a test can tell whether the call came before, during or after what that file logs).
# It leaves when the file QUIT appears, or after two minutes.
# Usage: screen_saver_stand_in.py READY LOG WATCH QUIT
import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.ScreenSaver"
PATH = "/org/freedesktop/ScreenSaver"


def lines_in(path):
    try:
        with open(path, "rb") as f:
            return sum(1 for _ in f)
    except OSError:
        return 0


class ScreenSaver(dbus.service.Object):
    def __init__(self, bus, log, watch):
        super().__init__(bus, PATH)
        self.log = log
        self.watch = watch
        self.next_cookie = 4711

    def note(self, text):
        with open(self.log, "a") as f:
            f.write("%s\t%d\n" % (text, lines_in(self.watch)))

    @dbus.service.method(NAME, in_signature="ss", out_signature="u")
    def Inhibit(self, application, reason):
        cookie = self.next_cookie
        self.next_cookie += 1
        self.note("Inhibit\t%s\t%s\t%d" % (application, reason, cookie))
        return dbus.UInt32(cookie)

    @dbus.service.method(NAME, in_signature="u", out_signature="")
    def UnInhibit(self, cookie):
        self.note("UnInhibit\t%d" % cookie)


def main():
    ready, log, watch, quit_file = sys.argv[1:5]
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    keep = dbus.service.BusName(NAME, bus)  # owned for as long as it is referenced
    saver = ScreenSaver(bus, log, watch)
    loop = GLib.MainLoop()
    left = [120 * 20]

    def check():
        left[0] -= 1
        if os.path.exists(quit_file) or left[0] <= 0:
            loop.quit()
            return False
        return True

    GLib.timeout_add(50, check)
    with open(ready + ".part", "w") as f:
        f.write(os.environ["DBUS_SESSION_BUS_ADDRESS"])
    os.rename(ready + ".part", ready)
    loop.run()
    del keep, saver


if __name__ == "__main__":
    main()
