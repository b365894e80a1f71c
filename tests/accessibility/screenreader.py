# SPDX-License-Identifier: GPL-2.0-or-later
# The page in the host on an X server, read through the AT-SPI bus as a screen reader reads
# it, driven by the reader's actions and by X input; every change checked in the daemon.
import atexit
import os
import subprocess
import sys
import time

build = os.environ['LS_BUILD_DIR']
failures = []
started = []  # ended however the run ends, last first


@atexit.register
def end_all():
    for process in reversed(started):
        process.terminate()
        process.wait()


def check(ok, what):
    if not ok:
        failures.append(what)
        print('FAIL:', what, file=sys.stderr)


def stored(key):
    return subprocess.run([build + '/bin/locationctl', 'get', key], capture_output=True, text=True).stdout.strip()


def store(key, value):
    subprocess.run([build + '/bin/locationctl', 'set', key, value], check=True, capture_output=True)


for key in ('Positioning', 'NetworkConnectivity', 'SatellitePositioning', 'SatellitePositioningInternal'):
    store(key, 'false')

read_end, write_end = os.pipe()
xvfb = subprocess.Popen(['Xvfb', '-displayfd', str(write_end), '-screen', '0', '480x854x24', '-nolisten', 'tcp'],
                        pass_fds=[write_end], stderr=subprocess.DEVNULL)
started.append(xvfb)
os.close(write_end)
os.environ.update(DISPLAY=':' + os.read(read_end, 16).decode().strip(), GSETTINGS_BACKEND='memory')
started.append(subprocess.Popen(['/usr/libexec/at-spi-bus-launcher', '--launch-immediately']))
bus = ['dbus-send', '--session', '--print-reply', '--dest=org.a11y.Bus', '/org/a11y/bus']
while subprocess.run(bus + ['org.a11y.Bus.GetAddress'], capture_output=True).returncode:
    time.sleep(0.05)
# What a screen reader says when it starts: only then does Qt offer its tree on the bus.
subprocess.run(bus + ['org.freedesktop.DBus.Properties.Set', 'string:org.a11y.Status',
                      'string:ScreenReaderEnabled', 'variant:boolean:true'], check=True, capture_output=True)

import pyatspi  # noqa: E402 (connects to the buses set up above)
from gi.repository import GLib  # noqa: E402

events = []


def record(event):
    try:
        events.append((event.type, event.source.getRoleName(), event.source.name, event.detail1))
    except GLib.Error:  # gone by now: a row of a closed list
        pass


# Among what Orca listens to: Qt sends only what someone listens to.
for kind in ('object:state-changed', 'focus:', 'object:property-change', 'object:value-changed',
             'object:selection-changed', 'object:text-changed'):
    pyatspi.Registry.registerEventListener(record, kind)

trace = open(os.path.join(os.environ.get('XDG_RUNTIME_DIR', '/tmp'), 'controlpanel.log'), 'w')
host = subprocess.Popen([build + '/bin/controlpanel', '--page'], stdout=trace, stderr=subprocess.STDOUT,
                        env=dict(os.environ, QT_QPA_PLATFORM='xcb', LANGUAGE='en'))
started.append(host)


def pump(until, seconds=5):
    end = time.time() + seconds
    while time.time() < end:
        GLib.MainContext.default().iteration(False)
        if until():
            return True
        time.sleep(0.01)
    return False


def application():
    return next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == 'controlpanel' and a.childCount), None)


def find(role, name):
    return pyatspi.findDescendant(app, lambda o: o.getRoleName() == role and o.name == name)


def states(o):
    shown = ('checked', 'selected', 'focused')
    return [pyatspi.stateToString(s) for s in o.getState().getStates() if pyatspi.stateToString(s) in shown]


def read(o, depth=0):
    """The page as a screen reader walks it: role, name, description and state, one a line."""
    line = '  ' * depth + ' | '.join(p for p in [o.getRoleName(), o.name, o.description] + states(o) if p)
    return [line] + [each for child in o for each in read(child, depth + 1)]


def heard(kind, role, name, detail=None):
    return pump(lambda: any(e[0].startswith(kind) and e[1] == role and e[2] == name
                            and (detail is None or e[3] == detail) for e in events))


def key(name):
    subprocess.run(['xdotool', 'key', name], check=True)


def tap(o):
    x, y, w, h = o.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(['xdotool', 'mousemove', str(x + w // 2), str(y + h // 2), 'click', '1'], check=True)


pump(application, 30)
app = application()
check(app is not None, 'the host is on the AT-SPI bus')
if app:
    expected = open(os.path.join(os.path.dirname(__file__), 'screenreader.txt')).read().splitlines()
    check(read(app[0]) == expected, 'the page reads:\n' + '\n'.join(read(app[0])))
    box = find('combo box', 'GPS device')
    check(box.queryText().getText(0, -1) == 'Select external GPS device', 'the box gives its entry as its text')
    label = find('label', 'Use mobile data')
    check(label.queryText().getText(4, 10) == 'mobile' and label.queryText().getCharacterExtents(
        0, pyatspi.DESKTOP_COORDS)[2] > 0, 'labels give their text by offset, placed on screen')

    # The reader's own action, and a tap on a row's title under the real pointer: each one
    # write, one trace line of the section, as a tap on the switch itself.
    find('check box', 'Use network positioning').queryAction().doAction(0)
    check(heard('object:state-changed:checked', 'check box', 'Use network positioning', 1), 'Toggle is announced')
    check(stored('Positioning') == 'true', 'Toggle stores the switch')
    for title, key_name in (('Use mobile data', 'NetworkConnectivity'), ('GPS positioning', 'SatellitePositioning')):
        tap(find('label' if key_name == 'NetworkConnectivity' else 'heading', title))
        check(heard('object:state-changed:checked', 'check box', title, 1), 'a tap on "%s" flips its switch' % title)
        check(stored(key_name) == 'true', 'a tap on "%s" stores %s' % (title, key_name))
    toggles = [line for line in open(trace.name) if 'onLocationSettingsSwitchButtonToggled( checked' in line]
    check(len(toggles) == 3 and all('_switch_button' in line for line in toggles),
          'each flip runs the section once, sent by the switch:\n' + ''.join(toggles))

    # X key events: Tab through the switches to the list, open it, move, choose.
    subprocess.run(['xdotool', 'search', '--name', 'Control panel', 'windowfocus', '--sync'], check=True)
    for name, role in (('Use network positioning', 'check box'), ('Use mobile data', 'check box'),
                       ('GPS positioning', 'check box'), ('GPS device', 'combo box')):
        key('Tab')
        check(heard('focus:', role, name), 'Tab brings the focus to "%s"' % name)
    events.clear()
    key('Return')
    check(heard('focus:', 'list item', 'Select external GPS device'), 'the open list focuses the current row')
    key('Up')
    check(heard('focus:', 'list item', 'Internal GPS'), 'Up focuses the row above')
    check(heard('object:state-changed:selected', 'list item', 'Internal GPS', 1), 'the highlighted row is selected')
    events.clear()
    key('Return')
    for kind in ('object:property-change:accessible-name', 'object:selection-changed', 'object:text-changed:insert'):
        check(heard(kind, 'combo box', 'GPS device'), 'the choice is announced: ' + kind)
    check(stored('SatellitePositioningInternal') == 'true', 'the choice is stored')
    check(box.queryText().getText(0, -1) == 'Internal GPS', 'the box reads the new entry')
    check(states(box[0][0]) == ['selected'] and states(box[0][1]) == [], 'the list under the box selects it')

    # A write the daemon refuses (its folder turned into a file): spoken as an alert.
    folder = os.path.join(os.environ['XDG_CONFIG_HOME'], 'locatord')
    os.rename(folder, folder + '.aside')
    open(folder, 'w').close()
    find('check box', 'Use mobile data').queryAction().doAction(0)
    check(heard('object:state-changed:showing', 'alert', 'The setting could not be saved', 1),
          'a refused write is spoken as an alert')
    check(stored('NetworkConnectivity') == 'true' and 'checked' in states(find('check box', 'Use mobile data')),
          'the refused switch shows what the daemon holds')
    os.remove(folder)
    os.rename(folder + '.aside', folder)

sys.exit(1 if failures else 0)
