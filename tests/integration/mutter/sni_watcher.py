# A StatusNotifierWatcher with a host, as a desktop's tray would be. Qt
# registers its tray icon with it; the test then asks through standard input:
#   props     prints the item's "Title|ToolTip title|IconPixmap sizes:digest"
#   activate  calls the item's Activate(0, 0), as a left click does
import hashlib
import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

WATCHER, ITEM = 'org.kde.StatusNotifierWatcher', 'org.kde.StatusNotifierItem'
DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
items = []


class Watcher(dbus.service.Object):
    @dbus.service.method(WATCHER, in_signature='s', sender_keyword='sender')
    def RegisterStatusNotifierItem(self, name, sender):
        items.append((sender, name) if name.startswith('/') else (name, '/StatusNotifierItem'))

    # The only property Qt asks for.
    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature='ss', out_signature='v')
    def Get(self, interface, name):
        return {'IsStatusNotifierHostRegistered': True}[name]

    # Qt reads the watcher's properties only when its introspection lists them.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature='s')
    def Introspect(self):
        return (f'<node><interface name="{WATCHER}"><method name="RegisterStatusNotifierItem">'
                '<arg type="s" direction="in"/></method>'
                '<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>'
                '</interface></node>')


def answer(stream, _):
    line = stream.readline()
    if not line:
        sys.exit()
    try:
        item = bus.get_object(*items[-1])
        if line.strip() == b'props':
            get = lambda name: item.Get(ITEM, name, dbus_interface=dbus.PROPERTIES_IFACE)
            pixmaps = get('IconPixmap')
            digest = hashlib.sha1(b''.join(bytes(p[2]) for p in pixmaps)).hexdigest()[:12]
            sizes = ','.join(f'{p[0]}x{p[1]}' for p in pixmaps)
            print(f"{get('Title')}|{get('ToolTip')[2]}|{sizes}:{digest}", flush=True)
        else:
            item.Activate(0, 0, dbus_interface=ITEM)
            print('done', flush=True)
    # No item yet, or one that is gone again.
    except (IndexError, dbus.DBusException):
        print('no item', flush=True)
    return True


Watcher(bus, '/StatusNotifierWatcher')
name = dbus.service.BusName(WATCHER, bus)
print('ready', flush=True)
# Unbuffered, so that each line read leaves the next one to the next call.
GLib.io_add_watch(os.fdopen(0, 'rb', buffering=0), GLib.IO_IN | GLib.IO_HUP, answer)
GLib.MainLoop().run()
