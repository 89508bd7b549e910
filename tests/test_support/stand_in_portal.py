#!/usr/bin/python3
# A stand-in for the desktop portal's Screenshot call, for a private session bus started by
# dbus-run-session. Usage: stand_in_portal.py LOG ANSWER...
# Each Screenshot call takes the next ANSWER: a picture file's path (answered with its file URI)
# or "refuse" (response 1, as when the user says no), or "vanish" (the portal leaves the bus
# without answering). Each call's "interactive" option goes to
# LOG as a line. Once the name is owned, the bus address is printed as the first line.
import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PORTAL = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"


class Request(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, response, results):
        pass


class Portal(dbus.service.Object):
    def __init__(self, bus, log, answers):
        super().__init__(bus, PATH)
        self.bus = bus
        self.log = log
        self.answers = list(answers)

    @dbus.service.method("org.freedesktop.portal.Screenshot", in_signature="sa{sv}",
                         out_signature="o", sender_keyword="sender")
    def Screenshot(self, parent_window, options, sender=None):
        token = str(options.get("handle_token", "t0"))
        handle = "%s/request/%s/%s" % (PATH, sender[1:].replace(".", "_"), token)
        with open(self.log, "a") as out:
            out.write("interactive=%s\n" % bool(options.get("interactive", False)))
        answer = self.answers.pop(0) if self.answers else "refuse"
        request = Request(self.bus, handle)

        def respond():
            if answer == "vanish":
                self.bus.release_name(PORTAL)
            elif answer == "refuse":
                request.Response(dbus.UInt32(1), dbus.Dictionary({}, signature="sv"))
            else:
                uri = "file://" + os.path.abspath(answer)
                request.Response(dbus.UInt32(0),
                                 dbus.Dictionary({"uri": dbus.String(uri)}, signature="sv"))
            request.remove_from_connection()
            return False

        # The answer comes after the call's reply, as from a real portal.
        GLib.idle_add(respond)
        return dbus.ObjectPath(handle)


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    name = dbus.service.BusName(PORTAL, bus)
    portal = Portal(bus, sys.argv[1], sys.argv[2:])
    print(os.environ["DBUS_SESSION_BUS_ADDRESS"], flush=True)
    print(os.getpid(), flush=True)
    GLib.MainLoop().run()
    del name, portal


if __name__ == "__main__":
    main()
