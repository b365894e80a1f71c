#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
# A stand-in for the positioning daemon on the test's session bus that misbehaves as told:
#   locatordstandin.py SERVICE PATH INTERFACE BEHAVIOUR [ARG]
#     slow MS        every reply comes MS milliseconds late
#     alternate      every other call gets no reply at all
#     flood RATE     "valueChanged" for "SatellitePositioning", RATE times a second
#     longname CHARS the external receiver's name is CHARS characters long, its choice stored
#     behave         none of it
# A line "behave" on its standard input ends the misbehaviour. Prints "ready" once it owns
# its name.
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib


def serve(bus, service, path, interface, behaviour, arg):
    state = {'behaviour': behaviour, 'calls': 0}
    values = {
        'Positioning': True, 'NetworkConnectivity': True, 'SuplForced': False,
        'SatellitePositioning': True, 'SatellitePositioningInternal': True,
        'InternalGpsDisabled': False, 'SatellitePositioningExternalName': '',
        'SatellitePositioningExternalAddress': '',
    }
    if behaviour == 'longname':
        values['SatellitePositioningInternal'] = False
        values['SatellitePositioningExternalName'] = 'Trailfix receiver ' * (arg // 18 + 1)
        values['SatellitePositioningExternalAddress'] = '00:11:22:33:44:55'

    class Daemon(dbus.service.Object):
        def answer(self, reply, *args):
            mode = state['behaviour']
            state['calls'] += 1
            if mode == 'alternate' and state['calls'] % 2 == 0:
                return
            if mode == 'slow':
                GLib.timeout_add(arg, lambda: reply(*args) and False)
            else:
                reply(*args)

        @dbus.service.method(interface, in_signature='s', out_signature='v',
                             async_callbacks=('reply', 'error'))
        def getSetting(self, key, reply, error):
            value = values.get(str(key), False)
            if isinstance(value, bool):
                value = dbus.Boolean(value, variant_level=1)
            else:
                value = dbus.String(value, variant_level=1)
            self.answer(reply, value)

        @dbus.service.method(interface, in_signature='sv', out_signature='b',
                             async_callbacks=('reply', 'error'))
        def setSetting(self, key, value, reply, error):
            values[str(key)] = bool(value) if isinstance(value, dbus.Boolean) else str(value)
            self.answer(reply, True)
            self.valueChanged(key)

        @dbus.service.signal(interface, signature='s')
        def valueChanged(self, key):
            pass

    daemon = Daemon(bus, path)

    if behaviour == 'flood':
        per_tick = max(1, arg // 100)

        def flood():
            if state['behaviour'] != 'flood':
                return False
            for _ in range(per_tick):
                daemon.valueChanged('SatellitePositioning')
            return True
        GLib.timeout_add(10, flood)

    def command(source, condition):
        line = sys.stdin.readline()
        if not line:
            os._exit(0)
        if line.strip() == 'behave':
            if state['behaviour'] == 'longname':
                values['SatellitePositioningExternalName'] = 'Trailfix receiver'
                daemon.valueChanged('SatellitePositioningExternalName')
            state['behaviour'] = 'behave'
        return True
    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
    return daemon, dbus.service.BusName(service, bus, do_not_queue=True)


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    arg = int(sys.argv[5]) if len(sys.argv) > 5 else 0
    served = serve(dbus.SessionBus(), *sys.argv[1:5], arg)
    print('ready', flush=True)
    GLib.MainLoop().run()
    del served


if __name__ == '__main__':
    main()
