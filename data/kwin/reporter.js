// Norvane's KWin script: tells Norvane which window is in front and which
// windows exist, as they change. Norvane loads it through KWin's scripting
// interface (org.kde.kwin.Scripting) when it starts and unloads it when it
// quits. Every report is a call on the session bus to
// org.norvane.Norvane /org/norvane/Shell org.norvane.Shell1; nothing here
// waits for an answer or runs on a timer.
//
// Plasma 5 names windows "clients" (clientActivated, clientList, activeClient,
// clientAdded, clientRemoved); Plasma 6 names them "windows" (windowActivated,
// windowList, activeWindow, windowAdded, windowRemoved). Which one this KWin
// has is read from the workspace object at start.
(function () {
    "use strict";

    var service = "org.norvane.Norvane";
    var path = "/org/norvane/Shell";
    var iface = "org.norvane.Shell1";

    // KWin hands lists over as array-like objects; a plain array has filter
    // and map on every version.
    function toArray(list) {
        var out = [];
        for (var i = 0; list && i < list.length; ++i) {
            out.push(list[i]);
        }
        return out;
    }

    var plasma6 = typeof workspace.windowList === "function";
    var api = plasma6 ? {
        activated: workspace.windowActivated,
        added: workspace.windowAdded,
        removed: workspace.windowRemoved,
        list: function () { return toArray(workspace.windowList()); },
        active: function () { return workspace.activeWindow; }
    } : {
        activated: workspace.clientActivated,
        added: workspace.clientAdded,
        removed: workspace.clientRemoved,
        list: function () { return toArray(workspace.clientList()); },
        active: function () { return workspace.activeClient; }
    };

    function text(value) {
        return value === undefined || value === null ? "" : String(value);
    }

    function idOf(w) {
        return text(w.internalId);
    }

    function appIdOf(w) {
        var id = text(w.desktopFileName);
        return /\.desktop$/.test(id) ? id.slice(0, -8) : id;
    }

    // `| 0` keeps the number an integer, so it crosses the bus as int32.
    function pidOf(w) {
        return (Number(w.pid) || 0) | 0;
    }

    function reportable(w) {
        return w && !w.deleted && !w.desktopWindow && !w.dock;
    }

    // Window ids, the most recently activated first. Windows that were never
    // activated since the script started follow in the order KWin lists them.
    var recent = [];

    function forget(id) {
        var at = recent.indexOf(id);
        if (at >= 0) {
            recent.splice(at, 1);
        }
    }

    function touch(id) {
        forget(id);
        recent.unshift(id);
    }

    function sendHello() {
        callDBus(service, path, iface, "Hello", "kwin", plasma6 ? "plasma6" : "plasma5");
    }

    function sendActivated(w) {
        if (!reportable(w)) {
            callDBus(service, path, iface, "Activated", "", "", "", "", 0);
            return;
        }
        callDBus(service, path, iface, "Activated", idOf(w), appIdOf(w), text(w.resourceClass), text(w.caption),
                 pidOf(w));
    }

    // The whole list as an array of arrays; callDBus sends it as av, each
    // window an av of (id, appId, wmClass, title, pid, userFacing, minimized).
    function sendWindows() {
        var all = api.list().filter(reportable);
        var rank = function (w) {
            var at = recent.indexOf(idOf(w));
            return at < 0 ? recent.length : at;
        };
        var indexed = all.map(function (w, i) { return { w: w, rank: rank(w), i: i }; });
        indexed.sort(function (a, b) { return a.rank - b.rank || a.i - b.i; });
        var rows = indexed.map(function (e) {
            var w = e.w;
            return [idOf(w), appIdOf(w), text(w.resourceClass), text(w.caption), pidOf(w),
                    Boolean(w.normalWindow && !w.skipTaskbar), Boolean(w.minimized)];
        });
        callDBus(service, path, iface, "WindowList", rows);
    }

    function follow(w) {
        if (!w) {
            return;
        }
        if (w.minimizedChanged) {
            w.minimizedChanged.connect(sendWindows);
        }
        // A client may name its application after it is mapped.
        if (w.desktopFileNameChanged) {
            w.desktopFileNameChanged.connect(function () {
                if (api.active() === w) {
                    sendActivated(w);
                }
                sendWindows();
            });
        }
    }

    api.activated.connect(function (w) {
        // Emitted with null when nothing is active (the last window closed or
        // was minimised).
        if (w) {
            touch(idOf(w));
        }
        sendActivated(w);
        sendWindows();
    });
    api.added.connect(function (w) {
        follow(w);
        sendWindows();
    });
    api.removed.connect(function (w) {
        if (w) {
            forget(idOf(w));
        }
        sendWindows();
    });

    api.list().forEach(follow);
    var front = api.active();
    if (front) {
        touch(idOf(front));
    }
    sendHello();
    sendActivated(front);
    sendWindows();
})();
