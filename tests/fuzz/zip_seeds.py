#!/usr/bin/env python3
"""Writes seed archives for the zip reader's fuzz target (generated, never committed as binaries):
zip_seeds.py FOLDER"""
import os
import sys
import zipfile

folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
seeds = {
    "package.zip": [("pkg/driver/setup.inf", b"[Version]\r\nSignature=\"$Windows NT$\"\r\n"),
                    ("pkg/driver/net.sys", bytes(range(256)) * 4), ("pkg/", b"")],
    "stored.zip": [("a.txt", b"plain text " * 20)],
    "hostile.zip": [("../escape.txt", b"x"), ("C:/x.txt", b"y"), ("ok/../../z", b"z")],
}
for name, entries in seeds.items():
    method = zipfile.ZIP_STORED if name == "stored.zip" else zipfile.ZIP_DEFLATED
    with zipfile.ZipFile(os.path.join(folder, name), "w", method) as archive:
        for entry, data in entries:
            archive.writestr(entry, data)
