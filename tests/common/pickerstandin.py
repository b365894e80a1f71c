#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
# A stand-in for the Bluetooth device picker on the test's system bus, for the answers the
# real one does not give on its own. The test passes the picker's names:
#   pickerstandin.py SERVICE PATH INTERFACE error ERROR_NAME
#       every request fails with that D-Bus error;
#   pickerstandin.py SERVICE PATH INTERFACE answer ADDRESS NAME [ADDRESS NAME ...]
#       every request is taken, then each pair is sent to the caller alone as search_result.
# Prints "ready" once it owns its name.
import sys

import dbus
import dbus.lowlevel
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib


def serve(bus, service, path, interface, mode, args):
    class Picker(dbus.service.Object):
        @dbus.service.method(interface, in_signature='ssass', out_signature='', sender_keyword='sender')
        def show_search_dlg(self, title, text, filters, require, sender=None):
            if mode == 'error':
                raise dbus.exceptions.DBusException("no picker runs in the caller's session", name=args[0])
            GLib.idle_add(self.answer, sender)

        def answer(self, sender):
            for address, name in zip(args[0::2], args[1::2]):
                signal = dbus.lowlevel.SignalMessage(path, interface, 'search_result')
                signal.set_destination(sender)
                signal.append(address, name, signature='ss')
                bus.send_message(signal)
            return False

    return Picker(bus, path), dbus.service.BusName(service, bus, do_not_queue=True)


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    served = serve(dbus.SystemBus(), *sys.argv[1:5], sys.argv[5:])
    print('ready', flush=True)
    GLib.MainLoop().run()
    del served


if __name__ == '__main__':
    main()
