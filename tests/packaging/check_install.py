#!/usr/bin/env python3
"""Installs a built tree into a staging folder (DESTDIR) and checks it."""
import argparse
import base64
import hashlib
import json
import os
import pathlib
import shutil
import stat
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zipfile

ARGS = None
PREFIX = "/usr"
FIXED_ID = "kmcamenccoafgkmmbfipdcmgbkibidoa"  # from the extension's manifest key
HOST = "/usr/libexec/norvane/norvane-browser-host"
CRX = "/usr/share/norvane/norvane-bridge.crx"
KWIN_SCRIPT = "/usr/share/norvane/kwin/reporter.js"  # where KWinShell looks beside bin/
# The GNOME Shell extension's sources, where GnomeShell looks beside bin/.
GNOME_EXTENSION_FILES = ["/usr/share/norvane/gnome-shell/" + name for name in
                         ("metadata.json", "reporter.js", "extension-legacy.js", "extension-module.js")]
CHROMIUM_HOST_DIRS = [
    "/usr/share/norvane/native-messaging-hosts",
    "/etc/chromium/native-messaging-hosts",
    "/etc/opt/chrome/native-messaging-hosts",
    "/etc/opt/edge/native-messaging-hosts",
    "/etc/opt/brave.com/brave/native-messaging-hosts",
    "/etc/opt/vivaldi/native-messaging-hosts",
]
EXTERNAL_DIRS = [
    "/usr/share/chromium/extensions",
    "/usr/share/google-chrome/extensions",
    "/usr/share/microsoft-edge/extensions",
    "/usr/share/brave/extensions",
    "/usr/share/vivaldi/extensions",
]


def varint(data, pos):
    value, shift = 0, 0
    while True:
        byte = data[pos]
        pos += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if not byte & 0x80:
            return value, pos


def fields(data):
    """The length-delimited fields of a protocol-buffer message."""
    pos, out = 0, []
    while pos < len(data):
        key, pos = varint(data, pos)
        if key & 7 != 2:
            raise ValueError("unexpected wire type")
        size, pos = varint(data, pos)
        out.append((key >> 3, data[pos:pos + size]))
        pos += size
    return out


def chromium_id(public_der):
    return "".join(chr(ord("a") + int(c, 16)) for c in hashlib.sha256(public_der).hexdigest()[:32])


class InstalledTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = pathlib.Path(tempfile.mkdtemp(prefix="norvane-install-"))
        cls.root = cls.tmp / "root"
        env = dict(os.environ, DESTDIR=str(cls.root))
        run = subprocess.run(["cmake", "--install", ARGS.build, "--prefix", PREFIX],
                             env=env, capture_output=True, text=True)
        if run.returncode != 0:
            raise RuntimeError("cmake --install failed:\n" + run.stdout + run.stderr)
        manifest = pathlib.Path(ARGS.build) / "install_manifest.txt"
        cls.listed = set(manifest.read_text().split("\n")) - {""}

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def path(self, installed):
        return self.root / installed.lstrip("/")

    def test_tree_is_complete_and_listed(self):
        expected_programs = [
            "/usr/bin/norvane", "/usr/bin/norvanectl", HOST, "/usr/libexec/norvane/norvane-access-helper",
        ]
        expected_files = [
            "/usr/share/applications/norvane.desktop",
            "/usr/share/icons/hicolor/scalable/apps/norvane.svg",
            "/usr/share/icons/hicolor/symbolic/apps/norvane-symbolic.svg",
            "/usr/share/icons/hicolor/symbolic/apps/norvane-paused-symbolic.svg",
            "/usr/share/icons/hicolor/symbolic/apps/norvane-attention-symbolic.svg",
            "/usr/share/metainfo/app.norvane.Norvane.metainfo.xml",
            "/usr/lib/udev/rules.d/72-norvane-uaccess.rules",
            "/usr/lib/modules-load.d/norvane-uinput.conf",
            "/usr/share/polkit-1/actions/org.norvane.access.policy",
            "/usr/share/norvane/browser-extension/manifest.json",
            "/usr/share/norvane/browser-extension/background.js",
            KWIN_SCRIPT,
            *GNOME_EXTENSION_FILES,
            CRX,
            "/usr/lib/mozilla/native-messaging-hosts/app.norvane.bridge.json",
            "/usr/share/mozilla/extensions/{ec8030f7-c20a-464f-9b0e-13a3a9e97384}/bridge@norvane.app.xpi",
        ] + [d + "/app.norvane.bridge.json" for d in CHROMIUM_HOST_DIRS]
        for name in expected_programs:
            mode = self.path(name).stat().st_mode
            self.assertTrue(mode & stat.S_IXOTH, name + " is not executable")
        for name in expected_files:
            mode = self.path(name).stat().st_mode
            self.assertEqual(stat.S_IMODE(mode) & 0o133, 0o044 & 0o133, name + " should be 0644")
        # Everything on disk is in install_manifest.txt, so an uninstall can find it.
        on_disk = {"/" + p.relative_to(self.root).as_posix() for p in self.root.rglob("*") if not p.is_dir()}
        self.assertEqual(on_disk, self.listed)
        self.assertTrue(set(expected_programs + expected_files) <= on_disk)

    def test_desktop_entry(self):
        entry = self.path("/usr/share/applications/norvane.desktop")
        check = subprocess.run(["desktop-file-validate", str(entry)], capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertEqual(check.stdout.strip(), "", "desktop-file-validate has remarks")
        text = entry.read_text()
        for line in ["Name=岚枢", "Name[en]=Norvane", "Exec=/usr/bin/norvane", "Icon=norvane",
                     "StartupWMClass=norvane", "Actions=settings;", "Exec=/usr/bin/norvane --settings"]:
            self.assertIn(line + "\n", text)
        # Wayland's app id and the X11 class both come from this name.
        main_cpp = (pathlib.Path(ARGS.source) / "src/ui/main.cpp").read_text()
        self.assertIn('setDesktopFileName(QStringLiteral("norvane"))', main_cpp)

    def test_metainfo(self):
        metainfo = self.path("/usr/share/metainfo/app.norvane.Norvane.metainfo.xml")
        check = subprocess.run(["appstreamcli", "validate", "--no-net", "--no-color", str(metainfo)],
                               capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        root = ET.parse(metainfo).getroot()
        self.assertEqual(root.findtext("launchable"), "norvane.desktop")
        self.assertEqual(root.find("releases/release").get("version"), self.project_version())

    def project_version(self):
        for line in (pathlib.Path(ARGS.build) / "CMakeCache.txt").read_text().splitlines():
            if line.startswith("CMAKE_PROJECT_VERSION:"):
                return line.split("=", 1)[1]
        return None

    def test_access_rule_and_policy(self):
        rule = self.path("/usr/lib/udev/rules.d/72-norvane-uaccess.rules").read_text()
        rule_lines = [l for l in rule.splitlines() if l and not l.startswith("#")]
        helper = (pathlib.Path(ARGS.source) / "packaging/norvane-access-helper").read_text()
        self.assertTrue(rule_lines)
        for line in rule_lines:
            self.assertIn(line, helper, "the packaged rule and the helper's rule differ")
        self.assertIn("uinput", self.path("/usr/lib/modules-load.d/norvane-uinput.conf").read_text().split())
        policy = ET.parse(self.path("/usr/share/polkit-1/actions/org.norvane.access.policy")).getroot()
        for action in policy.findall("action"):
            exec_path = action.find("annotate[@key='org.freedesktop.policykit.exec.path']")
            self.assertEqual(exec_path.text, "/usr/libexec/norvane/norvane-access-helper")
            # Only an administrator gives or takes the access.
            self.assertEqual([action.findtext("defaults/" + k) for k in ("allow_any", "allow_inactive", "allow_active")],
                             ["no", "no", "auth_admin_keep"], action.get("id"))

    def test_host_manifests(self):
        packed_id = self.packed_id()
        for directory in CHROMIUM_HOST_DIRS:
            manifest = json.loads(self.path(directory + "/app.norvane.bridge.json").read_text())
            self.assertEqual(manifest["name"], "app.norvane.bridge")
            self.assertEqual(manifest["path"], HOST)
            self.assertEqual(manifest["type"], "stdio")
            self.assertEqual(sorted(manifest["allowed_origins"]),
                             sorted(f"chrome-extension://{i}/" for i in {FIXED_ID, packed_id}))
        firefox = json.loads(self.path("/usr/lib/mozilla/native-messaging-hosts/app.norvane.bridge.json").read_text())
        self.assertEqual(firefox["path"], HOST)
        self.assertEqual(firefox["allowed_extensions"], ["bridge@norvane.app"])

    def packed_id(self):
        data = self.path(CRX).read_bytes()
        magic, version, header_size = data[:4], *struct.unpack("<II", data[4:12])
        self.assertEqual((magic, version), (b"Cr24", 3))
        header = dict(fields(data[12:12 + header_size]))
        proof = dict(fields(header[2]))
        signed_data = header[10000]
        self.assertEqual(dict(fields(signed_data))[1], hashlib.sha256(proof[1]).digest()[:16])
        return chromium_id(proof[1])

    def test_packed_extension(self):
        data = self.path(CRX).read_bytes()
        header_size = struct.unpack("<I", data[8:12])[0]
        header = dict(fields(data[12:12 + header_size]))
        proof = dict(fields(header[2]))
        archive = data[12 + header_size:]
        signed = b"CRX3 SignedData\x00" + struct.pack("<I", len(header[10000])) + header[10000] + archive
        work = self.tmp / "crx"
        work.mkdir(exist_ok=True)
        (work / "key.der").write_bytes(proof[1])
        (work / "signature").write_bytes(proof[2])
        (work / "signed").write_bytes(signed)
        pem = subprocess.run(["openssl", "pkey", "-pubin", "-inform", "DER", "-in", str(work / "key.der")],
                             capture_output=True, check=True).stdout
        (work / "key.pem").write_bytes(pem)
        verify = subprocess.run(["openssl", "dgst", "-sha256", "-verify", str(work / "key.pem"),
                                 "-signature", str(work / "signature"), str(work / "signed")],
                                capture_output=True, text=True)
        self.assertEqual(verify.returncode, 0, "the .crx signature does not verify: " + verify.stdout + verify.stderr)
        (work / "archive.zip").write_bytes(archive)
        with zipfile.ZipFile(work / "archive.zip") as z:
            manifest = json.loads(z.read("manifest.json"))
            self.assertIn("background.js", z.namelist())
        self.assertEqual(base64.b64decode(manifest["key"]), proof[1])
        source = json.loads((pathlib.Path(ARGS.source) / "browser/extension/manifest.json").read_text())

        packed_id = chromium_id(proof[1])
        for directory in EXTERNAL_DIRS:
            entry = json.loads(self.path(f"{directory}/{packed_id}.json").read_text())
            self.assertEqual(entry, {"external_crx": CRX, "external_version": source["version"]})

        xpi = self.path("/usr/share/mozilla/extensions/{ec8030f7-c20a-464f-9b0e-13a3a9e97384}/bridge@norvane.app.xpi")
        with zipfile.ZipFile(xpi) as z:
            self.assertEqual(json.loads(z.read("manifest.json")), source)

    def test_icons_are_svg(self):
        for icon in self.path("/usr/share/icons/hicolor").rglob("*.svg"):
            root = ET.parse(icon).getroot()
            self.assertEqual(root.tag, "{http://www.w3.org/2000/svg}svg", icon)
            self.assertIsNotNone(root.get("viewBox"), icon)

    def test_installed_norvanectl_uses_installed_copies(self):
        home = self.tmp / "home"
        home.mkdir(exist_ok=True)
        env = {"HOME": str(home), "PATH": "/nonexistent", "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "")}
        run = subprocess.run([str(self.path("/usr/bin/norvanectl")), "browser", "install", "--all"],
                             env=env, capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertIn("Host: " + str(self.path(HOST)), run.stdout)
        self.assertIn(str(self.path("/usr/share/norvane/browser-extension")), run.stdout)
        written = json.loads((home / ".config/chromium/NativeMessagingHosts/app.norvane.bridge.json").read_text())
        self.assertEqual(written["path"], str(self.path(HOST)))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
