// Norvane's window reporter: the part shared by every GNOME Shell version.
// The installer writes it into the extension.js of the version's entry
// point, which provides Gio, GLib, Meta, Shell and Main.
//
// It pushes what Norvane needs to know to Norvane's own object on the
// session bus (org.norvane.Norvane /org/norvane/Shell org.norvane.Shell1):
// Hello when it starts reporting, Activated whenever another window takes
// the keyboard focus, and Windows whenever the set of windows or their
// state changes. Nothing is polled. Norvane asks for windows to be activated
// and minimised through /org/norvane/ShellExtension on the shell's own
// connection; only the owner of org.norvane.Norvane is answered.

const NORVANE_NAME = 'org.norvane.Norvane';
const NORVANE_PATH = '/org/norvane/Shell';
const NORVANE_INTERFACE = 'org.norvane.Shell1';
const EXTENSION_PATH = '/org/norvane/ShellExtension';
const EXTENSION_INTERFACE = `<node>
  <interface name="org.norvane.ShellExtension1">
    <method name="Activate">
      <arg name="id" type="s" direction="in"/>
      <arg name="done" type="b" direction="out"/>
    </method>
    <method name="Minimize">
      <arg name="id" type="s" direction="in"/>
      <arg name="done" type="b" direction="out"/>
    </method>
    <method name="Report"/>
  </interface>
</node>`;
const CALL_TIMEOUT_MS = 2000;
const DESKTOP_SUFFIX = '.desktop';

class NorvaneReporter {
    constructor(shellVersion) {
        this._shellVersion = shellVersion;
    }

    enable() {
        this._bus = Gio.DBus.session;
        this._norvane = null; // the unique name owning org.norvane.Norvane, null while nobody does
        this._failedCall = false; // a report to this owner has failed (logged once)
        this._windows = []; // Meta.Window, most recently focused first
        this._windowSignals = new Map(); // Meta.Window -> handler ids
        this._lastFront = null; // the Activated arguments last sent
        this._windowsPending = 0; // idle source that sends the list once per burst of changes
        this._pendingActivation = null; // an activation waiting for the overview to close

        this._object = Gio.DBusExportedObject.wrapJSObject(EXTENSION_INTERFACE, this);
        this._object.export(this._bus, EXTENSION_PATH);

        for (const win of this._initialOrder())
            this._track(win);

        const display = global.display;
        this._displaySignals = [
            display.connect('notify::focus-window', () => this._focusChanged()),
            display.connect('window-created', (_display, win) => {
                if (this._track(win))
                    this._windowsChanged();
            }),
        ];
        // The tracker may settle a window's application after the window
        // appeared (a late app id or WM_CLASS).
        this._tracker = Shell.WindowTracker.get_default();
        this._trackerSignal = this._tracker.connect('tracked-windows-changed', () => {
            this._windowsChanged();
            this._sendFront(false);
        });

        // Reports go out while Norvane is on the bus, and all at once when it
        // appears (it may start after the shell, or restart).
        this._watch = Gio.bus_watch_name_on_connection(this._bus, NORVANE_NAME, Gio.BusNameWatcherFlags.NONE,
            (_bus, _name, owner) => {
                this._norvane = owner;
                this._failedCall = false;
                this._report();
            },
            () => {
                this._norvane = null;
            });
    }

    disable() {
        // Whatever is in front, Norvane can no longer know it.
        if (this._norvane !== null)
            this._call('Activated', '(ssssi)', ['', '', '', '', 0]);
        Gio.bus_unwatch_name(this._watch);
        this._cancelPendingActivation();
        for (const id of this._displaySignals)
            global.display.disconnect(id);
        this._tracker.disconnect(this._trackerSignal);
        for (const win of [...this._windowSignals.keys()])
            this._untrack(win);
        if (this._windowsPending) {
            GLib.source_remove(this._windowsPending);
            this._windowsPending = 0;
        }
        this._object.unexport();
        this._object = null;
        this._norvane = null;
        this._windows = [];
    }

    // --- org.norvane.ShellExtension1 ----------------------------------------

    ActivateAsync([id], invocation) {
        this._fromNorvane(invocation, () => {
            const win = this._find(id);
            if (win)
                this._activate(win);
            return new GLib.Variant('(b)', [win !== null]);
        });
    }

    MinimizeAsync([id], invocation) {
        this._fromNorvane(invocation, () => {
            const win = this._find(id);
            const done = win !== null && win.can_minimize();
            if (done)
                win.minimize();
            return new GLib.Variant('(b)', [done]);
        });
    }

    ReportAsync(_args, invocation) {
        this._fromNorvane(invocation, () => {
            this._report();
            return null;
        });
    }

    // Brings a window to the front. While the overview is open (as it is
    // after login), a window activated there loses the focus again when the
    // overview lets go of its grab, to the top window the grab held back.
    // So the overview is closed first, and the window activated after
    // that: 'hidden' comes just before the grab ends, hence the idle.
    _activate(win) {
        this._cancelPendingActivation();
        if (!Main.overview.visible) {
            Main.activateWindow(win);
            return;
        }
        const overview = Main.overview;
        const hidden = overview.connect('hidden', () => {
            this._cancelPendingActivation();
            this._pendingActivation = {
                idle: GLib.idle_add(GLib.PRIORITY_DEFAULT, () => {
                    this._pendingActivation = null;
                    if (this._windowSignals.has(win))
                        Main.activateWindow(win);
                    return GLib.SOURCE_REMOVE;
                }),
            };
        });
        // Opened again before it closed: the request is over.
        const showing = overview.connect('showing', () => this._cancelPendingActivation());
        this._pendingActivation = {signals: [hidden, showing]};
        overview.hide();
    }

    _cancelPendingActivation() {
        const pending = this._pendingActivation;
        this._pendingActivation = null;
        for (const id of pending?.signals ?? [])
            Main.overview.disconnect(id);
        if (pending?.idle)
            GLib.source_remove(pending.idle);
    }

    // Runs `handle` for a call from Norvane's connection and returns its
    // result; refuses everyone else. The watch may not have seen a new owner
    // yet when its first call arrives, so a caller that is not the known
    // owner is checked against the bus before it is refused.
    _fromNorvane(invocation, handle) {
        const sender = invocation.get_sender();
        const answer = () => {
            if (!this._object) {
                invocation.return_dbus_error('org.freedesktop.DBus.Error.Failed', 'The extension is disabled');
                return;
            }
            invocation.return_value(handle());
        };
        if (this._norvane !== null && sender === this._norvane) {
            answer();
            return;
        }
        this._bus.call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus', 'GetNameOwner',
            new GLib.Variant('(s)', [NORVANE_NAME]), new GLib.VariantType('(s)'), Gio.DBusCallFlags.NONE,
            CALL_TIMEOUT_MS, null, (bus, result) => {
                let owner = null;
                try {
                    [owner] = bus.call_finish(result).deepUnpack();
                } catch (e) {
                    owner = null;
                }
                if (owner !== null && owner === sender)
                    answer();
                else
                    invocation.return_dbus_error('org.freedesktop.DBus.Error.AccessDenied',
                        `Only the owner of ${NORVANE_NAME} may call this`);
            });
    }

    // --- windows ------------------------------------------------------------

    // Windows already there when the extension starts (after a restart of
    // the shell on X11, or when enabled later): the shell's own
    // most-recently-used order for ordinary windows, then the rest from the
    // top of the stack down.
    _initialOrder() {
        const workspace = global.workspace_manager.get_active_workspace();
        const order = global.display.get_tab_list(Meta.TabList.NORMAL_ALL, workspace);
        for (const actor of global.get_window_actors().reverse()) {
            const win = actor.get_meta_window();
            if (win && !order.includes(win))
                order.push(win);
        }
        const focus = global.display.focus_window;
        return focus ? [focus, ...order.filter(w => w !== focus)] : order;
    }

    // Starts following one window; false when it is not one to report.
    // Titles go out with each report but are not followed: a browser
    // changes its title with every page, and Norvane keys nothing on it.
    _track(win) {
        if (!win || win.is_override_redirect() || this._windowSignals.has(win))
            return false;
        this._windows.push(win);
        this._windowSignals.set(win, [
            win.connect('unmanaged', () => {
                this._untrack(win);
                this._windowsChanged();
            }),
            win.connect('notify::minimized', () => this._windowsChanged()),
            win.connect('notify::skip-taskbar', () => this._windowsChanged()),
        ]);
        return true;
    }

    _untrack(win) {
        for (const id of this._windowSignals.get(win) ?? [])
            win.disconnect(id);
        this._windowSignals.delete(win);
        this._windows = this._windows.filter(w => w !== win);
    }

    _find(id) {
        return this._windows.find(w => this._windowID(w) === id) ?? null;
    }

    _windowID(win) {
        return String(win.get_id());
    }

    // The desktop-entry id of the window's application ("" when the shell
    // only knows the window, not an installed application).
    _appID(win) {
        const app = this._tracker.get_window_app(win);
        if (!app || app.is_window_backed())
            return '';
        const id = app.get_id();
        return id.endsWith(DESKTOP_SUFFIX) ? id.slice(0, -DESKTOP_SUFFIX.length) : id;
    }

    _describe(win) {
        return [
            this._windowID(win),
            this._appID(win),
            win.get_wm_class() ?? '',
            win.get_title() ?? '',
            win.get_pid() > 0 ? win.get_pid() : 0,
        ];
    }

    _focusChanged() {
        const win = global.display.focus_window;
        if (win && this._windowSignals.has(win))
            this._windows = [win, ...this._windows.filter(w => w !== win)];
        this._sendFront(false);
    }

    // Sends the window in front; unless `always`, only when it differs from
    // what was sent last.
    _sendFront(always) {
        const win = global.display.focus_window;
        const front = win ? this._describe(win) : ['', '', '', '', 0];
        if (!always && this._lastFront !== null && front.every((v, i) => v === this._lastFront[i]))
            return;
        this._lastFront = front;
        this._call('Activated', '(ssssi)', front);
    }

    // Several changes usually come together (a window closes and another
    // takes focus): the list goes out once, when the shell is idle.
    _windowsChanged() {
        if (this._windowsPending || this._norvane === null)
            return;
        this._windowsPending = GLib.idle_add(GLib.PRIORITY_DEFAULT, () => {
            this._windowsPending = 0;
            this._sendWindows();
            return GLib.SOURCE_REMOVE;
        });
    }

    _sendWindows() {
        const list = this._windows.map(win => [
            ...this._describe(win),
            win.get_window_type() === Meta.WindowType.NORMAL && !win.is_skip_taskbar(),
            win.minimized,
        ]);
        this._call('Windows', '(a(ssssibb))', [list]);
    }

    _report() {
        this._call('Hello', '(ss)', ['gnome-shell', this._shellVersion]);
        this._sendWindows();
        this._sendFront(true);
    }

    // One report to Norvane's connection, without waiting for it. Calls to
    // one destination arrive in the order they were made.
    _call(method, signature, values) {
        if (this._norvane === null)
            return;
        const owner = this._norvane;
        this._bus.call(owner, NORVANE_PATH, NORVANE_INTERFACE, method, new GLib.Variant(signature, values), null,
            Gio.DBusCallFlags.NO_AUTO_START, CALL_TIMEOUT_MS, null, (bus, result) => {
                try {
                    bus.call_finish(result);
                } catch (e) {
                    if (owner === this._norvane && !this._failedCall) {
                        this._failedCall = true;
                        console.warn(`Norvane: ${method} was not accepted: ${e.message}`);
                    }
                }
            });
    }
}
