'''A GeoClue2 stand-in for python-dbusmock: a manager that hands out one client.

Parameters (JSON, -p): "mode" is "located" (the client knows "latitude"/"longitude" at once),
"silent" (the client starts but never finds a position) or "denied" (the manager refuses a client,
as GeoClue does when the user has switched location access off).
'''

import dbus

BUS_NAME = 'org.freedesktop.GeoClue2'
MAIN_OBJ = '/org/freedesktop/GeoClue2/Manager'
MAIN_IFACE = 'org.freedesktop.GeoClue2.Manager'
SYSTEM_BUS = True

CLIENT_OBJ = '/org/freedesktop/GeoClue2/Client/1'
CLIENT_IFACE = 'org.freedesktop.GeoClue2.Client'
LOCATION_OBJ = '/org/freedesktop/GeoClue2/Location/1'
LOCATION_IFACE = 'org.freedesktop.GeoClue2.Location'


def load(mock, parameters):
    mode = parameters.get('mode', 'located')
    mock.AddProperties(MAIN_IFACE, {'InUse': False, 'AvailableAccuracyLevel': dbus.UInt32(8)})
    if mode == 'denied':
        mock.AddMethod(MAIN_IFACE, 'GetClient', '', 'o',
                       'raise dbus.exceptions.DBusException("location access is off", '
                       'name="org.freedesktop.DBus.Error.AccessDenied")')
        return
    mock.AddMethod(MAIN_IFACE, 'GetClient', '', 'o', 'ret = dbus.ObjectPath("%s")' % CLIENT_OBJ)
    location = dbus.ObjectPath('/')
    if mode == 'located':
        location = dbus.ObjectPath(LOCATION_OBJ)
        mock.AddObject(LOCATION_OBJ, LOCATION_IFACE, {
            'Latitude': dbus.Double(parameters.get('latitude', 0.0)),
            'Longitude': dbus.Double(parameters.get('longitude', 0.0)),
            'Accuracy': dbus.Double(1000.0),
            'Altitude': dbus.Double(-1.7976931348623157e308),
            'Speed': dbus.Double(-1.0),
            'Heading': dbus.Double(-1.0),
            'Description': '',
            'Timestamp': dbus.Struct((dbus.UInt64(0), dbus.UInt64(0)), signature='tt'),
        }, [])
    mock.AddObject(CLIENT_OBJ, CLIENT_IFACE, {
        'Location': location,
        'DesktopId': '',
        'DistanceThreshold': dbus.UInt32(0),
        'TimeThreshold': dbus.UInt32(0),
        'RequestedAccuracyLevel': dbus.UInt32(0),
        'Active': False,
    }, [('Start', '', '', ''), ('Stop', '', '', '')])
