#!/usr/bin/env python3
"""Turns the JSON that vantorel-cli prints into the demo's plain sentences.

  demo_words.py windows FACTS_JSON        which Windows the prefix reports, and the code the server gets
  demo_words.py offers SCAN_JSON          the two demo devices' offers, one line each:
                                          link, size, INF path, device name, choice (tab-separated)
  demo_words.py instance SCAN_JSON        the game controller's instance path
  demo_words.py file FETCH_JSON           the downloaded package's path
  demo_words.py installed INSTALL_JSON    what the driver package installer reported
  demo_words.py drivers SCAN_JSON         the two demo devices' drivers and whether an update is left
  demo_words.py backed-up BACKUP_JSON     the archive and its index entry
"""
import json
import sys

# The devices the demo updates: the game controller, which has no driver (its best offer is an
# update), and the chipset's LPC controller, whose later release the latest choice offers.
DEMO_DEVICES = (("USB\\VID_045E&PID_028E", "best"), ("PCI\\VEN_8086&DEV_A305", "latest"))


def load(path):
    with open(path, encoding="utf-8") as file:
        return json.load(file)


def demo_device(scan, prefix):
    for device in scan["devices"]:
        if device["instance_path"].startswith(prefix):
            return device
    sys.exit(f"the scan found no device {prefix}")


def offers(scan):
    for prefix, choice in DEMO_DEVICES:
        device = demo_device(scan, prefix)
        chosen = device[choice]
        if not chosen or not chosen["is_update"]:
            sys.exit(f"{device['display_name']} has no update in the {choice} choice")
        item = device["items"][chosen["index"]]
        if not item.get("sha256"):
            sys.exit(f"the offer for {device['display_name']} is not signed")
        print("\t".join([item["link"], str(item["size"]), item["inf_name"], device["display_name"], choice,
                         item["sha256"]]))


def windows(facts):
    version = facts["os_version"]
    print(f"This prefix reports Windows {version['major']}.{version['minor']} build {version['build']} "
          f"on {facts['machine']}: the update server is told {facts['os_code']}.")


def installed(result):
    for start in result["started"]:
        if "exit_code" not in start:
            print(f"  started {start.get('program') or start.get('open')} (no result)")
            continue
        print(f"  {start['program'].split(chr(92))[-1]} {start['parameters']}")
        print(f"  -> exit code 0x{start['exit_code']:08X}: {start['installed']} package(s) installed, "
              f"{start['staged_only']} only staged, {start['failed']} failed"
              + (", restart needed" if start["restart_needed"] else ""))


def drivers(scan):
    for prefix, _ in DEMO_DEVICES:
        device = demo_device(scan, prefix)
        if not device["has_driver"]:
            print(f"  {device['display_name']}: no driver")
            continue
        left = [c for c in ("best", "latest") if device[c] and device[c]["is_update"]]
        state = "an update is still offered (" + ", ".join(left) + ")" if left else "up to date"
        print(f"  {device['display_name']}: {device['driver_provider']} {device['driver_version']} of "
              f"{device['driver_date']} ({device['inf_path']}), {state}")


def backed_up(result):
    for archive in result["archives"]:
        print(f"  archive {archive}")
    for entry in result["index"]:
        for device in entry["devices"]:
            print(f"  index: {entry['file']} of {entry['date']} holds {device['name']} "
                  f"({device['desc']}, {device['version']})")


def main():
    command, path = sys.argv[1], sys.argv[2]
    data = load(path)
    if command == "windows":
        windows(data)
    elif command == "offers":
        offers(data)
    elif command == "instance":
        print(demo_device(data, DEMO_DEVICES[0][0])["instance_path"])
    elif command == "file":
        print(data["file"])
    elif command == "installed":
        installed(data)
    elif command == "drivers":
        drivers(data)
    elif command == "backed-up":
        backed_up(data)
    else:
        sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    main()
