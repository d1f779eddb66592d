/* Lumenfall's helper inside GNOME Shell.
 *
 * The wallpaper draws through Xwayland, where it cannot see native Wayland windows, the overview
 * or the lock screen. This extension tells it over the session bus (com.quorl802.Lumenfall.Shell)
 * which monitors are covered on the active workspace, and offers the wallpaper's own menu in the
 * top bar, since GNOME shows no tray. */

const SHELL_NAME = 'com.quorl802.Lumenfall.Shell';
const SHELL_PATH = '/com/quorl802/Lumenfall/Shell';
const SHELL_INTERFACE = `<node>
  <interface name="com.quorl802.Lumenfall.Shell">
    <method name="GetState"><arg type="s" direction="out" name="json"/></method>
    <method name="ActivateMenuItem">
      <arg type="s" direction="in" name="labels"/>
      <arg type="b" direction="out" name="done"/>
    </method>
    <signal name="Changed"><arg type="s" name="json"/></signal>
  </interface>
</node>`;
const APP_NAME = 'com.quorl802.Lumenfall';
const MENU_PATH = '/com/quorl802/Lumenfall/Menu';
const MENU_INTERFACE = 'com.quorl802.Lumenfall.Menu';
// The wallpaper answers between frames; on a software rasteriser one frame can take seconds.
const CALL_TIMEOUT_MS = 10000;

// Whether the rectangles together cover every pixel of the area: every cell of the grid their
// clipped edges make lies inside one of them.
function unionCovers(area, rects) {
    const boxes = [];
    const xs = [area.x, area.x + area.width], ys = [area.y, area.y + area.height];
    for (const r of rects) {
        const x0 = Math.max(r.x, area.x), y0 = Math.max(r.y, area.y);
        const x1 = Math.min(r.x + r.width, area.x + area.width), y1 = Math.min(r.y + r.height, area.y + area.height);
        if (x0 >= x1 || y0 >= y1)
            continue;
        boxes.push([x0, y0, x1, y1]);
        xs.push(x0, x1);
        ys.push(y0, y1);
    }
    if (boxes.length === 0)
        return false;
    const sortedUnique = list => [...new Set(list)].sort((a, b) => a - b);
    const gx = sortedUnique(xs), gy = sortedUnique(ys);
    for (let i = 0; i + 1 < gx.length; i++) {
        for (let j = 0; j + 1 < gy.length; j++) {
            const inside = boxes.some(b => b[0] <= gx[i] && gx[i + 1] <= b[2] && b[1] <= gy[j] && gy[j + 1] <= b[3]);
            if (!inside)
                return false;
        }
    }
    return true;
}

// Windows that can hide the wallpaper: shown on the active workspace, not the wallpaper itself
// (a desktop-type window) and not the shell's own.
function coveringWindows(workspace) {
    return global.get_window_actors()
        .map(actor => actor.meta_window)
        .filter(w => w && !w.minimized && w.showing_on_its_workspace() && w.located_on_workspace(workspace) &&
            w.get_window_type() !== Meta.WindowType.DESKTOP && !w.is_override_redirect());
}

class Lumenfall {
    enable() {
        this._signals = [];
        this._windowSignals = new Map();
        this._state = '';
        this._queued = 0;

        this._exported = Gio.DBusExportedObject.wrapJSObject(SHELL_INTERFACE, this);
        this._exported.export(Gio.DBus.session, SHELL_PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, SHELL_NAME, Gio.BusNameOwnerFlags.NONE,
            null, null);

        const watch = (object, names) => {
            for (const name of names)
                this._signals.push([object, object.connect(name, () => this._queue())]);
        };
        watch(global.display, ['restacked', 'window-created', 'in-fullscreen-changed', 'grab-op-end',
            'workareas-changed']);
        watch(global.workspace_manager, ['active-workspace-changed']);
        watch(global.window_manager, ['minimize', 'unminimize', 'size-change', 'map', 'destroy', 'switch-workspace']);
        watch(Main.overview, ['showing', 'hidden']);
        watch(Main.layoutManager, ['monitors-changed']);
        watch(Main.sessionMode, ['updated']);
        this._signals.push([global.display, global.display.connect('window-created', (display, w) => this._follow(w))]);
        for (const actor of global.get_window_actors())
            this._follow(actor.meta_window);

        this._addButton();
        this._signals.push([Main.sessionMode, Main.sessionMode.connect('updated', () => this._showButton())]);
        this._update();
    }

    disable() {
        if (this._queued)
            GLib.source_remove(this._queued);
        this._queued = 0;
        for (const [object, id] of this._signals)
            object.disconnect(id);
        for (const [w, ids] of this._windowSignals)
            ids.forEach(id => w.disconnect(id));
        this._signals = [];
        this._windowSignals.clear();
        this._button?.destroy();
        this._button = null;
        Gio.bus_unown_name(this._nameId);
        this._exported.unexport();
        this._exported = null;
    }

    // Moves and resizes of each window change what it covers.
    _follow(w) {
        if (!w || this._windowSignals.has(w))
            return;
        const ids = ['position-changed', 'size-changed', 'workspace-changed', 'notify::minimized',
            'notify::fullscreen'].map(name => w.connect(name, () => this._queue()));
        ids.push(w.connect('unmanaged', () => {
            ids.forEach(id => w.disconnect(id));
            this._windowSignals.delete(w);
            this._queue();
        }));
        this._windowSignals.set(w, ids);
    }

    // Changes come in bursts (a workspace switch moves every window): one look once they settle.
    _queue() {
        if (this._queued)
            return;
        this._queued = GLib.idle_add(GLib.PRIORITY_DEFAULT_IDLE, () => {
            this._queued = 0;
            this._update();
            return GLib.SOURCE_REMOVE;
        });
    }

    _update() {
        const workspace = global.workspace_manager.get_active_workspace();
        const windows = coveringWindows(workspace);
        const monitors = Main.layoutManager.monitors.map(monitor => {
            const onIt = windows.filter(w => w.get_monitor() === monitor.index);
            // The top bar holds the rows outside the work area: a maximised window covers.
            const covered = onIt.some(w => w.is_fullscreen()) ||
                unionCovers(Main.layoutManager.getWorkAreaForMonitor(monitor.index),
                    onIt.map(w => w.get_frame_rect()));
            return { x: monitor.x, y: monitor.y, width: monitor.width, height: monitor.height, covered };
        });
        const state = JSON.stringify({
            monitors, overview: Main.overview.visible, locked: Main.sessionMode.isLocked,
        });
        if (state === this._state)
            return;
        this._state = state;
        this._exported?.emit_signal('Changed', new GLib.Variant('(s)', [state]));
    }

    GetState() {
        return this._state;
    }

    // The menu item named by its labels ("Scene/Nebula Flythrough"), activated as a click in the
    // top bar would: for scripts and tests.
    ActivateMenuItemAsync([labels], invocation) {
        this._layout(layout => {
            const path = [];
            let level = layout;
            for (const label of labels.split('/')) {
                const index = (level ?? []).findIndex(item => item.label === label);
                if (index < 0) {
                    invocation.return_value(new GLib.Variant('(b)', [false]));
                    return;
                }
                path.push(index);
                level = level[index].items;
            }
            this._activate(path.join('/'), done => invocation.return_value(new GLib.Variant('(b)', [done])));
        });
    }

    _layout(done) {
        Gio.DBus.session.call(APP_NAME, MENU_PATH, MENU_INTERFACE, 'Layout', null, new GLib.VariantType('(s)'),
            Gio.DBusCallFlags.NO_AUTO_START, CALL_TIMEOUT_MS, null, (bus, result) => {
                try {
                    const [json] = bus.call_finish(result).deepUnpack();
                    done(JSON.parse(json));
                } catch (e) {
                    done(null);
                }
            });
    }

    _activate(path, done = () => {}) {
        Gio.DBus.session.call(APP_NAME, MENU_PATH, MENU_INTERFACE, 'Activate', new GLib.Variant('(s)', [path]),
            new GLib.VariantType('(b)'), Gio.DBusCallFlags.NO_AUTO_START, CALL_TIMEOUT_MS, null, (bus, result) => {
                try {
                    done(bus.call_finish(result).deepUnpack()[0]);
                } catch (e) {
                    done(false);
                }
            });
    }

    _addButton() {
        this._button = new PanelMenu.Button(0.0, 'Lumenfall', false);
        this._button.add_child(new St.Icon({
            icon_name: 'com.quorl802.Lumenfall',
            fallback_icon_name: 'preferences-desktop-wallpaper-symbolic',
            style_class: 'system-status-icon',
        }));
        // Read afresh each time it opens, so every check mark is the wallpaper's own.
        this._button.menu.connect('open-state-changed', (menu, open) => {
            if (open)
                this._layout(layout => this._fill(this._button.menu, layout, ''));
        });
        Main.panel.addToStatusArea('lumenfall', this._button);
        this._showButton();
    }

    _showButton() {
        if (this._button)
            this._button.visible = !Main.sessionMode.isLocked;
    }

    _fill(menu, layout, prefix) {
        menu.removeAll();
        if (!layout) {
            menu.addMenuItem(new PopupMenu.PopupMenuItem('Lumenfall is not running', { reactive: false }));
            const start = new PopupMenu.PopupMenuItem('Start Lumenfall');
            start.connect('activate', () => Gio.DesktopAppInfo.new(`${APP_NAME}.desktop`)?.launch([], null));
            menu.addMenuItem(start);
            return;
        }
        layout.forEach((item, index) => {
            const path = prefix + index;
            if (item.separator) {
                menu.addMenuItem(new PopupMenu.PopupSeparatorMenuItem());
            } else if (item.items) {
                const submenu = new PopupMenu.PopupSubMenuMenuItem(item.label);
                this._fill(submenu.menu, item.items, `${path}/`);
                menu.addMenuItem(submenu);
            } else {
                const entry = new PopupMenu.PopupMenuItem(item.label, { reactive: item.enabled });
                if (item.checkable)
                    entry.setOrnament(item.checked ? PopupMenu.Ornament.CHECK : PopupMenu.Ornament.NONE);
                entry.connect('activate', () => this._activate(path));
                menu.addMenuItem(entry);
            }
        });
    }
}
