// Norvane's window reporter for GNOME Shell 43 and 44.
const {Gio, GLib, Meta, Shell} = imports.gi;
const Main = imports.ui.main;
const Config = imports.misc.config;

/* @NORVANE_REPORTER@ */

function init() {
    return new NorvaneReporter(Config.PACKAGE_VERSION);
}
