#!/usr/bin/env python3
"""Writes scan answers that try to exhaust the client's memory, each as large as the transfer
accepts (5 MiB - 1 bytes), for the devices of an inventory, and a real-shaped answer beside them
(300 devices with 10 items each, and the profile of that machine):
  hostile_answers.py INVENTORY.json PROFILE.json DIR"""
import json
import sys

LIMIT = 5 * 1024 * 1024 - 1
FULL_ITEM = ("<item><hardid>{h}</hardid><title>{t}</title><ver>1.2.3.4</ver><size>1000</size>"
             "<guid>{{4d36e968-e325-11ce-bfc1-08002be10318}}</guid><link>http://127.0.0.1/{l}.zip</link>"
             "<infpath>p/{i}.inf</infpath><official_link>http://127.0.0.1/{o}</official_link><cp>1</cp>"
             "<manu>{m}</manu><sign>0</sign><feature>0</feature><targetos>61</targetos>"
             "<date>2020-01-01</date><desc>{d}</desc></item>").format(
    h="H" * 199, t="T" * 256, l="L" * 3000, i="I" * 250, o="O" * 1000, m="M" * 128, d="D" * 1024)


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;")


def fill(ids, item, close_early=False):
    """Names every device, round after round, with as many items as fit."""
    out = ["<kelvdoc><hardwares>"]
    size = len(out[0]) + len("</hardwares></kelvdoc>")
    while True:
        for device in ids:
            head = "<hardware><id>" + escape(device) + "</id>"
            body = item * 500
            piece = head + body + "</hardware>"
            if size + len(piece) > LIMIT:
                room = LIMIT - size - len(head) - len("</hardware>")
                if room > len(item):
                    out.append(head + item * (room // len(item)) + "</hardware>")
                out.append("</hardwares></kelvdoc>")
                return "".join(out)
            out.append(piece)
            size += len(piece)


def items_at_limit(ids, total=3000):
    """The most items an answer may carry, spread over the devices."""
    out, left = ["<kelvdoc><hardwares>"], total
    while left > 0:
        for device in ids:
            count = min(left, 500)
            out.append("<hardware><id>" + escape(device) + "</id>" + "<item/>" * count + "</hardware>")
            left -= count
            if left == 0:
                break
    return "".join(out) + "</hardwares></kelvdoc>"


def nodes(attributes):
    element = "<x" + "".join(" a%d=''" % k for k in range(attributes)) + "/>"
    head = "<kelvdoc><hardwares><hardware><id>none</id>"
    tail = "</hardware></hardwares></kelvdoc>"
    return head + element * ((LIMIT - len(head) - len(tail)) // len(element)) + tail


# One item as the update server writes it (unsigned), one per line.
REAL_ITEM = ("<item><hardid>{hardid}</hardid><title>Vendor {vendor} device {device} driver</title>"
             "<ver>{year}.{month}.0.{build}</ver><size>{size}</size><guid>{{4d36e97d-e325-11ce-bfc1-08002be10318}}</guid>"
             "<link>http://127.0.0.1:8080/packages/synthetic-{package}.zip</link>"
             "<infpath>synthetic-{package}/driver/device.inf</infpath><manu>Vendor {vendor}</manu><sign>{sign}</sign>"
             "<feature>0</feature><targetos>61</targetos><date>20{year}-{month:02d}-{day:02d}</date>"
             "<desc>Synthetic device {vendor}:{device}</desc></item>\n")


def real_machine(profile, ids, devices=300, items=10):
    """A machine of `devices` devices (those of the profile that the inventory keeps, repeated
    under new instance IDs), and an answer offering each `items` packages."""
    known = [d for d in profile["devices"] if d["instance_id"].rsplit("\\", 1)[0] in ids]
    machine = dict(profile, devices=[])
    out = ["<?xml version=\"1.0\" encoding=\"windows-1252\" ?>\n<kelvdoc>\n<hardwares>\n"]
    package = 0
    for d in range(devices):
        device = dict(known[d % len(known)])
        path, instance = device["instance_id"].rsplit("\\", 1)
        device["instance_id"] = "%s&%d\\%s" % (path, d, instance)
        machine["devices"].append(device)
        hardid = (device.get("hardware_ids") or ["PCI\\VEN_8086&DEV_%04X" % d])[0]
        out.append("<hardware><id>" + escape("%s&%d" % (path, d)) + "</id>\n")
        for k in range(items):
            package += 1
            out.append(REAL_ITEM.format(hardid=escape(hardid), vendor="8086", device="%04X" % d, year=12 + k, month=1 + k,
                                        day=1 + d % 28, build=1000 + package, size=100000 + package * 977,
                                        package=package, sign=k % 2))
        out.append("</hardware>\n")
    return machine, "".join(out) + "</hardwares>\n</kelvdoc>\n"


def main():
    inventory = json.load(open(sys.argv[1]))
    profile = json.load(open(sys.argv[2]))
    directory = sys.argv[3]
    ids = [d["instance_path"] for d in inventory["devices"]]
    answers = {
        "empty-items": fill(ids, "<item/>"),
        "full-items": fill(ids, FULL_ITEM),
        "items-at-limit": items_at_limit(ids),
        "elements": nodes(0),
        "attributes": nodes(40),
    }
    machine, answers["real"] = real_machine(profile, set(ids))
    with open("%s/real-profile.json" % directory, "w") as f:
        json.dump(machine, f)
    for name, text in answers.items():
        with open("%s/%s.xml" % (directory, name), "w", encoding="latin-1") as f:
            f.write(text)


main()
