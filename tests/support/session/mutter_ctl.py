# Drives Mutter's display configuration from outside, as the desktop's own
# display settings do, and reads it back through GetCurrentState.
#   state               one line per monitor shown: connector mode x y primary
#   set CONNECTOR MODE  switches the monitor (placing it right of the others
#                       when it was off); every other monitor stays
#   set CONNECTOR off   takes the monitor out of the layout
#   mirror              shows every monitor in one place, in the first one's mode
#   reset               shows the first monitor alone at the origin, in its preferred mode
import sys

import dbus

config = dbus.Interface(
    dbus.SessionBus().get_object('org.gnome.Mutter.DisplayConfig', '/org/gnome/Mutter/DisplayConfig'),
    'org.gnome.Mutter.DisplayConfig')
serial, monitors, logical, _ = config.GetCurrentState()
modes = {str(m[0][0]): next((str(mode[0]) for mode in m[1] if mode[6].get('is-current')), None)
         for m in monitors}
layout = [[int(l[0]), int(l[1]), float(l[2]), int(l[3]), bool(l[4]), [str(m[0]) for m in l[5]]]
          for l in logical]
command = sys.argv[1]
if command == 'state':
    for x, y, _, _, primary, connectors in layout:
        for connector in connectors:
            print(connector, modes[connector], x, y, int(primary))
    sys.exit()
if command == 'reset':
    first = str(monitors[0][0][0])
    modes = {first: next(str(mode[0]) for mode in monitors[0][1] if mode[6].get('is-preferred'))}
    layout = [[0, 0, 1.0, 0, True, [first]]]
elif command == 'mirror':
    shown = [c for entry in layout for c in entry[5]]
    modes = {c: modes[shown[0]] for c in shown}
    layout = [[0, 0, 1.0, 0, True, shown]]
elif command == 'set':
    connector, mode = sys.argv[2], sys.argv[3]
    placed = [entry for entry in layout if connector in entry[5]]
    layout = [entry for entry in layout if connector not in entry[5]]
    if mode != 'off':
        if not placed:
            right = max(x + int(modes[c].split('x')[0]) for x, _, _, _, _, cs in layout for c in cs)
            placed = [[right, 0, 1.0, 0, False, [connector]]]
        layout.append(placed[0])
        modes[connector] = mode
empty = dbus.Dictionary({}, signature='sv')
config.ApplyMonitorsConfig(serial, dbus.UInt32(1), [
    dbus.Struct((dbus.Int32(x), dbus.Int32(y), dbus.Double(scale), dbus.UInt32(transform),
                 dbus.Boolean(primary), [dbus.Struct((c, modes[c], empty)) for c in connectors]))
    for x, y, scale, transform, primary, connectors in layout], empty)
