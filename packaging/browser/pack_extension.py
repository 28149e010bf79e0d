#!/usr/bin/env python3
"""Packs the browser extension for installation from local files.

Writes into OUT:
  norvane-bridge.crx      the extension as a CRX3 file signed with KEY, for
                          Chromium-family browsers (external extensions)
  extension-id            the id Chromium gives that file (from KEY)
  extension-version       the extension's version
  bridge@norvane.app.xpi  the extension for Firefox's system extension folder

KEY (PEM, RSA) is made when missing. The archive is deterministic: sorted
entries with fixed times, so the same sources and key give the same files.
"""
import argparse
import base64
import hashlib
import io
import json
import os
import pathlib
import struct
import subprocess
import sys
import zipfile


def openssl(*args, data=None):
    return subprocess.run(["openssl", *args], input=data, check=True, capture_output=True).stdout


def ensure_key(path):
    if path.exists():
        return
    path.parent.mkdir(parents=True, exist_ok=True)
    old = os.umask(0o077)
    try:
        openssl("genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-out", str(path))
    finally:
        os.umask(old)


def extension_id(public_der):
    digest = hashlib.sha256(public_der).hexdigest()[:32]
    return "".join(chr(ord("a") + int(c, 16)) for c in digest)


def zip_bytes(files):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        for name in sorted(files):
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.external_attr = 0o644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, files[name])
    return buffer.getvalue()


def field(number, payload):
    """A length-delimited protocol-buffer field."""

    def varint(value):
        out = bytearray()
        while True:
            byte = value & 0x7F
            value >>= 7
            out.append(byte | (0x80 if value else 0))
            if not value:
                return bytes(out)

    return varint(number << 3 | 2) + varint(len(payload)) + payload


def crx3(archive, key, public_der):
    crx_id = hashlib.sha256(public_der).digest()[:16]
    signed_data = field(1, crx_id)
    message = b"CRX3 SignedData\x00" + struct.pack("<I", len(signed_data)) + signed_data + archive
    signature = openssl("dgst", "-sha256", "-sign", str(key), data=message)
    header = field(2, field(1, public_der) + field(2, signature)) + field(10000, signed_data)
    return b"Cr24" + struct.pack("<II", 3, len(header)) + header + archive


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True, type=pathlib.Path)
    parser.add_argument("--key", required=True, type=pathlib.Path)
    parser.add_argument("--out", required=True, type=pathlib.Path)
    args = parser.parse_args()

    files = {p.relative_to(args.source).as_posix(): p.read_bytes()
             for p in args.source.rglob("*") if p.is_file()}
    manifest = json.loads(files["manifest.json"])

    ensure_key(args.key)
    public_der = openssl("pkey", "-in", str(args.key), "-pubout", "-outform", "DER")
    ident = extension_id(public_der)

    # Chromium takes the id from the signing key; the manifest says the same.
    packed = dict(files)
    packed_manifest = dict(manifest, key=base64.b64encode(public_der).decode())
    packed["manifest.json"] = (json.dumps(packed_manifest, ensure_ascii=False, indent=2) + "\n").encode()

    args.out.mkdir(parents=True, exist_ok=True)
    (args.out / "norvane-bridge.crx").write_bytes(crx3(zip_bytes(packed), args.key, public_der))
    (args.out / "extension-id").write_text(ident + "\n")
    (args.out / "extension-version").write_text(manifest["version"] + "\n")
    gecko = manifest["browser_specific_settings"]["gecko"]["id"]
    (args.out / f"{gecko}.xpi").write_bytes(zip_bytes(files))
    return 0


if __name__ == "__main__":
    sys.exit(main())
