#!/usr/bin/env python3
"""Writes seed packages for the catalog tool's fuzz target (generated, never committed as binaries):
zip archives with INF files in them. package_seeds.py FOLDER"""
import os
import sys
import zipfile

folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
net_inf = (b'[Version]\r\nSignature="$Windows NT$"\r\nClass=Net\r\n'
           b'ClassGuid={4d36e972-e325-11ce-bfc1-08002be10318}\r\nProvider=%Maker%\r\n'
           b'DriverVer=03/20/2019,12.18.9.7\r\nCatalogFile=net.cat\r\n'
           b'[Manufacturer]\r\n%Maker%=Models,NTx86,NTamd64.6.1\r\n'
           b'[Models.NTx86]\r\n%Lan%=Lan_Install, PCI\\VEN_8086&DEV_15BC&SUBSYS_86721043, PCI\\VEN_8086&DEV_15BC\r\n'
           b'[Models.NTamd64.6.1]\r\n%Lan%=Lan_Install, PCI\\VEN_8086&DEV_15BC\r\n'
           b'[Lan_Install.NTamd64]\r\nFeatureScore=0xE0\r\n'
           b'[Strings]\r\nMaker="Intel"\r\nLan="Intel(R) Ethernet I219-V"\r\n')
usb_inf = (b'[Version]\r\nSignature="$Windows NT$"\r\nDriverVer=01/02/2020,1.0\r\n'
           b'[Manufacturer]\r\n%M%=Models\r\n[Models]\r\n%D%=Install,USB\\VID_1&PID_2,USB\\Class_03\r\n'
           b'[Strings]\r\nM=Maker\r\nD=Device\r\n')
filter_inf = b'[Version]\r\nSignature="$Windows NT$"\r\nClass=Filter\r\n'
seeds = {
    "net.zip": [("lan/Drivers/net.inf", net_inf),
                ("lan/Drivers/NET.CAT", b"0\x82 Microsoft Windows Hardware Compatibility Publisher"),
                ("lan/Drivers/e1d.sys", b"MZ"), ("lan/", b"")],
    "stored.zip": [("usb.inf", usb_inf)],
    "utf16.zip": [("d\u00e9/usb.inf", b"\xff\xfe" + usb_inf.decode("ascii").encode("utf-16-le")),
                  ("d\u00e9/filter.inf", filter_inf), ("d\u00e9/x.cat", b"0\x82 Contoso")],
}
for name, entries in seeds.items():
    method = zipfile.ZIP_STORED if name == "stored.zip" else zipfile.ZIP_DEFLATED
    with zipfile.ZipFile(os.path.join(folder, name), "w", method) as archive:
        for entry, data in entries:
            archive.writestr(entry, data)
