# SPDX-License-Identifier: GPL-2.0-or-later
# The page in the host on an X server, read through the AT-SPI bus as a screen reader reads
# it, driven by the reader's actions and by X input; every change checked in the daemon.
# One host for the whole case; the tests run in the order of their names, each on what the
# ones before it left.
import os
import subprocess
import time
import unittest

build = os.environ['LS_BUILD_DIR']


def stored(key):
    return subprocess.run([build + '/bin/locationctl', 'get', key], capture_output=True, text=True).stdout.strip()


def store(key, value):
    subprocess.run([build + '/bin/locationctl', 'set', key, value], check=True, capture_output=True)


def trace_start(*ids):
    """The applet's trace lines from the shared table, each up to its first value."""
    with open(os.path.join(os.path.dirname(__file__), '..', 'common', 'tracelines.txt')) as table:
        lines = dict(line.rstrip('\n').split('\t', 1) for line in table if '\t' in line and not line.startswith('#'))
    return tuple(lines[i].split('%')[0] for i in ids)


def key(name):
    subprocess.run(['xdotool', 'key', name], check=True)


class ScreenReader(unittest.TestCase):
    events = []

    @classmethod
    def setUpClass(cls):
        for name in ('Positioning', 'NetworkConnectivity', 'SatellitePositioning', 'SatellitePositioningInternal'):
            store(name, 'false')
        read_end, write_end = os.pipe()
        cls.start(['Xvfb', '-displayfd', str(write_end), '-screen', '0', '480x854x24', '-nolisten', 'tcp'],
                  pass_fds=[write_end], stderr=subprocess.DEVNULL)
        os.close(write_end)
        os.environ.update(DISPLAY=':' + os.read(read_end, 16).decode().strip(), GSETTINGS_BACKEND='memory')
        cls.start(['/usr/libexec/at-spi-bus-launcher', '--launch-immediately'])
        bus = ['dbus-send', '--session', '--print-reply', '--dest=org.a11y.Bus', '/org/a11y/bus']
        while subprocess.run(bus + ['org.a11y.Bus.GetAddress'], capture_output=True).returncode:
            time.sleep(0.05)
        # What a screen reader says when it starts: only then does Qt offer its tree on the bus.
        subprocess.run(bus + ['org.freedesktop.DBus.Properties.Set', 'string:org.a11y.Status',
                              'string:ScreenReaderEnabled', 'variant:boolean:true'], check=True, capture_output=True)

        global pyatspi, GLib
        import pyatspi  # connects to the buses set up above
        from gi.repository import GLib
        # Among what Orca listens to: Qt sends only what someone listens to.
        for kind in ('object:state-changed', 'focus:', 'object:property-change', 'object:value-changed',
                     'object:selection-changed', 'object:text-changed'):
            pyatspi.Registry.registerEventListener(cls.record, kind)

        cls.trace = open(os.path.join(os.environ.get('XDG_RUNTIME_DIR', '/tmp'), 'controlpanel.log'), 'w')
        cls.addClassCleanup(cls.trace.close)
        cls.start([build + '/bin/controlpanel', '--page'], stdout=cls.trace, stderr=subprocess.STDOUT,
                  env=dict(os.environ, QT_QPA_PLATFORM='xcb', LANGUAGE='en'))
        cls.pump(cls.application, 30)
        cls.app = cls.application()

    @classmethod
    def start(cls, command, **options):
        # Ended last first, also when the set-up itself fails.
        process = subprocess.Popen(command, **options)
        cls.addClassCleanup(process.wait)
        cls.addClassCleanup(process.terminate)

    @classmethod
    def record(cls, event):
        try:
            cls.events.append((event.type, event.source.getRoleName(), event.source.name, event.detail1))
        except GLib.Error:  # gone by now: a row of a closed list
            pass

    @staticmethod
    def pump(until, seconds=5):
        end = time.time() + seconds
        while time.time() < end:
            GLib.MainContext.default().iteration(False)
            if until():
                return True
            time.sleep(0.01)
        return False

    @staticmethod
    def application():
        return next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == 'controlpanel' and a.childCount), None)

    def setUp(self):
        self.assertIsNotNone(self.app, 'the host is on the AT-SPI bus')

    def find(self, role, name):
        found = pyatspi.findDescendant(self.app, lambda o: o.getRoleName() == role and o.name == name)
        self.assertIsNotNone(found, 'no %s "%s" on the page' % (role, name))
        return found

    @staticmethod
    def states(o):
        shown = ('checked', 'selected', 'focused')
        return [pyatspi.stateToString(s) for s in o.getState().getStates() if pyatspi.stateToString(s) in shown]

    def read(self, o, depth=0):
        """The page as a screen reader walks it: role, name, description and state, one a line."""
        line = '  ' * depth + ' | '.join(p for p in [o.getRoleName(), o.name, o.description] + self.states(o) if p)
        return [line] + [each for child in o for each in self.read(child, depth + 1)]

    def assertHeard(self, kind, role, name, detail=None, what=None):
        self.assertTrue(self.pump(lambda: any(e[0].startswith(kind) and e[1] == role and e[2] == name
                                              and (detail is None or e[3] == detail) for e in self.events)),
                        what or '%s of %s "%s" not heard' % (kind, role, name))

    def tap(self, o):
        x, y, w, h = o.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        subprocess.run(['xdotool', 'mousemove', str(x + w // 2), str(y + h // 2), 'click', '1'], check=True)

    def test_01_page_reads(self):
        with open(os.path.join(os.path.dirname(__file__), 'screenreader.txt')) as text:
            expected = text.read().splitlines()
        self.assertEqual(self.read(self.app[0]), expected)

    def test_02_box_gives_its_entry_as_text(self):
        self.assertEqual(self.find('combo box', 'GPS device').queryText().getText(0, -1), 'Select external GPS device')

    def test_03_labels_give_text_by_offset_on_screen(self):
        text = self.find('label', 'Use mobile data').queryText()
        self.assertEqual(text.getText(4, 10), 'mobile')
        self.assertGreater(text.getCharacterExtents(0, pyatspi.DESKTOP_COORDS)[2], 0)

    # The reader's own action, and a tap on a row's title under the real pointer: each one
    # write, one trace line of the section, as a tap on the switch itself.
    def test_04_reader_action_toggles(self):
        self.find('check box', 'Use network positioning').queryAction().doAction(0)
        self.assertHeard('object:state-changed:checked', 'check box', 'Use network positioning', 1)
        self.assertEqual(stored('Positioning'), 'true')

    def test_05_tap_on_a_title_flips_its_switch(self):
        for title, key_name in (('Use mobile data', 'NetworkConnectivity'), ('GPS positioning', 'SatellitePositioning')):
            with self.subTest(title=title):
                self.tap(self.find('label' if key_name == 'NetworkConnectivity' else 'heading', title))
                self.assertHeard('object:state-changed:checked', 'check box', title, 1)
                self.assertEqual(stored(key_name), 'true')

    def test_06_each_flip_runs_the_section_once(self):
        self.trace.flush()
        toggled = trace_start('netpos.toggled', 'netconn.toggled', 'sat.toggled')
        with open(self.trace.name) as trace:
            toggles = [line for line in trace if any(start in line for start in toggled)]
        self.assertEqual(len(toggles), 3, ''.join(toggles))
        self.assertTrue(all('_switch_button' in line for line in toggles), ''.join(toggles))

    # X key events: Tab through the switches to the list, open it, move, choose.
    def test_07_tab_goes_through_the_controls(self):
        subprocess.run(['xdotool', 'search', '--name', 'Control panel', 'windowfocus', '--sync'], check=True)
        for name, role in (('Use network positioning', 'check box'), ('Use mobile data', 'check box'),
                           ('GPS positioning', 'check box'), ('GPS device', 'combo box')):
            key('Tab')
            self.assertHeard('focus:', role, name)

    def test_08_list_chosen_by_keyboard(self):
        self.events.clear()
        key('Return')
        self.assertHeard('focus:', 'list item', 'Select external GPS device', what='the open list focuses the current row')
        key('Up')
        self.assertHeard('focus:', 'list item', 'Internal GPS')
        self.assertHeard('object:state-changed:selected', 'list item', 'Internal GPS', 1)
        self.events.clear()
        key('Return')
        for kind in ('object:property-change:accessible-name', 'object:selection-changed', 'object:text-changed:insert'):
            self.assertHeard(kind, 'combo box', 'GPS device')
        self.assertEqual(stored('SatellitePositioningInternal'), 'true')
        box = self.find('combo box', 'GPS device')
        self.assertEqual(box.queryText().getText(0, -1), 'Internal GPS')
        self.assertEqual((self.states(box[0][0]), self.states(box[0][1])), (['selected'], []))

    # A write the daemon refuses (its folder turned into a file): spoken as an alert.
    def test_09_refused_write_spoken_as_alert(self):
        folder = os.path.join(os.environ['XDG_CONFIG_HOME'], 'locatord')
        os.rename(folder, folder + '.aside')
        self.addCleanup(os.rename, folder + '.aside', folder)
        open(folder, 'w').close()
        self.addCleanup(os.remove, folder)
        self.find('check box', 'Use mobile data').queryAction().doAction(0)
        self.assertHeard('object:state-changed:showing', 'alert', 'The setting could not be saved', 1)
        self.assertEqual(stored('NetworkConnectivity'), 'true')
        self.assertIn('checked', self.states(self.find('check box', 'Use mobile data')))


if __name__ == '__main__':
    unittest.main(verbosity=2)
