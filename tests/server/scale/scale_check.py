#!/usr/bin/env python3
"""Drives the update server on several machines (scripts/lib/scale_checks.sh starts the pieces):
scans and install reports through HAProxy, a replica stopped in the middle of the reports, a
demotion seen by every replica in time, and a signed catalog reloaded by SIGHUP, an older one
refused. Prints one "pass scale: ..." or "fail scale: ..." line per check."""
import argparse
import hashlib
import html
import json
import os
import re
import secrets
import shutil
import signal
import subprocess
import threading
import time
import urllib.error
import urllib.request

results = []


def check(name, ok, detail=""):
    results.append(("pass" if ok else "fail") + " scale: " + name + ("" if ok or not detail else " (" + detail + ")"))


def fetch(url, body=None, content_type=None, timeout=20):
    """One request (a POST when there is a body): its status and body, status 0 when none came."""
    headers = {"Content-Type": content_type} if content_type else {}
    request = urllib.request.Request(url, data=body, method="POST" if body is not None else "GET", headers=headers)
    try:
        with urllib.request.urlopen(request, timeout=timeout) as reply:
            return reply.status, reply.read()
    except urllib.error.HTTPError as error:
        return error.code, error.read()
    except OSError:
        return 0, b""


def scan(base, request):
    boundary = "vantorel" + secrets.token_hex(8)
    body = (f"--{boundary}\r\nContent-Disposition: form-data; name=\"kelvdoc\"\r\n"
            f"Content-Type: application/octet-stream\r\n\r\n").encode() + request + f"\r\n--{boundary}--\r\n".encode()
    return fetch(base, body, "multipart/form-data; boundary=" + boundary)


def report(digest, hardware_id, outcome="installed"):
    return {"report_id": secrets.token_hex(16), "package_sha256": digest, "inf_path": "drv\\x.inf",
            "hardware_id": hardware_id, "outcome": outcome, "os": "WIN764", "build": 7601, "machine": "amd64"}


def send_report(base, document, tries=20):
    body = json.dumps(document).encode()
    for _ in range(tries):
        status, _ = fetch(base + "report", body, "application/json")
        if status == 200:
            return True
        time.sleep(0.2)
    return False


def counted(tool, reports_db, digest):
    out = subprocess.run([tool, "reports", "--reports-db", reports_db, "--package", digest], capture_output=True, text=True)
    total = 0
    for line in out.stdout.splitlines()[1:]:
        fields = line.split()
        if len(fields) >= 3 and fields[0] == digest:
            total += int(fields[2])
    return total


def health(admin):
    status, body = fetch(admin + "health")
    try:
        return json.loads(body) if body else {}
    except ValueError:
        return {}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--url", required=True)
    parser.add_argument("--admin", nargs="+", required=True)
    parser.add_argument("--stop-pid", type=int, required=True)
    parser.add_argument("--pids", type=int, nargs="+", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--catalog-tool", required=True)
    parser.add_argument("--reports-db", required=True)
    parser.add_argument("--signing-key", required=True)
    args = parser.parse_args()
    base = args.url
    with open(os.path.join(args.work, "request.z"), "rb") as file:
        request = file.read()

    # Scans through HAProxy; the answers link the packages on nginx, which serves them whole.
    answers = [scan(base, request) for _ in range(12)]
    check("12 scans through HAProxy answered", all(status == 200 for status, _ in answers),
          str([status for status, _ in answers]))
    answer = answers[0][1].decode("utf-8", "replace")
    items = []
    for block in re.findall(r"<item>.*?</item>", answer, re.S):
        hardid = re.search(r"<hardid>([^<]*)</hardid>", block)
        link = re.search(r"<link>([^<]*)</link>", block)
        digest = re.search(r"<sha256>([0-9a-f]{64})</sha256>", block)
        if hardid and link:
            items.append((html.unescape(hardid.group(1)), html.unescape(link.group(1)), digest.group(1) if digest else ""))
    signed = [item for item in items if item[2]]
    nginx_links = [link for _, link, _ in items if not link.startswith(base)]
    check("answers link the packages on nginx (--packages-url)", items and len(nginx_links) == len(items),
          f"{len(nginx_links)} of {len(items)}")
    check("the demo catalog's offers are signed", bool(signed))
    if signed:
        status, data = fetch(signed[0][1])
        check("a package from nginx is the one its signature names",
              status == 200 and hashlib.sha256(data).hexdigest() == signed[0][2], f"status {status}")

    # Reports through HAProxy to any replica, each sent twice (a retry): counted once.
    digest = secrets.token_hex(32)
    documents = [report(digest, "PCI\\VEN_1234&DEV_0001") for _ in range(30)]
    threads = [threading.Thread(target=send_report, args=(base, document)) for document in documents + documents]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    total = counted(args.catalog_tool, args.reports_db, digest)
    check("30 reports sent twice through HAProxy are counted once", total == 30, f"{total} counted")

    # A replica stopped while reports arrive: every report the client was told was taken is kept.
    digest = secrets.token_hex(32)
    taken = 0
    for number in range(40):
        if number == 10:
            os.kill(args.stop_pid, signal.SIGTERM)
        taken += send_report(base, report(digest, "PCI\\VEN_1234&DEV_0002"))
    total = counted(args.catalog_tool, args.reports_db, digest)
    check("a replica stopped mid-run: every report taken is kept", taken == 40 and total == 40,
          f"{taken} taken, {total} kept")

    # Demotion: five failed reports of a signed package for its hardware ID; every running
    # replica stops offering it there within its refresh time (2 s).
    if signed:
        hardware_id, _, package = signed[0]
        for _ in range(5):
            send_report(base, report(package, hardware_id, "failed"))
        started = time.monotonic()
        live = [admin for admin in args.admin if admin != args.admin[1]]
        while time.monotonic() - started < 10:
            if all(health(admin).get("reports", {}).get("demoted_count", 0) >= 1 for admin in live):
                break
            time.sleep(0.1)
        seen = time.monotonic() - started
        # Each replica reads the demotions again once they are older than its refresh time (2 s):
        # allowed 5 s, for a machine busy with other tests.
        check(f"a demotion is seen by every running replica within 5 s (took {seen:.1f} s)", seen <= 5.0)
        again = [scan(base, request)[1].decode("utf-8", "replace") for _ in range(4)]
        pattern = re.compile(r"<item><hardid>" + re.escape(html.escape(hardware_id, quote=False)) +
                             r"</hardid>(?:(?!</item>).)*<sha256>" + package, re.S)
        check("no replica offers the demoted package to that hardware ID", not any(pattern.search(text) for text in again))
        check("the package is still offered to the other hardware IDs of its INF",
              all(package in text for text in again) or len({item[0] for item in signed if item[2] == package}) == 1)
        subprocess.run([args.catalog_tool, "promote", "--reports-db", args.reports_db, package, hardware_id],
                       capture_output=True)

    # The same catalog file on every replica, signed anew and reloaded by SIGHUP; an older copy is refused.
    old = os.path.join(args.work, "catalog-old.sqlite")
    catalog = os.path.join(args.work, "catalog.sqlite")
    shutil.copyfile(catalog, old)
    before = health(args.admin[0]).get("catalog_statement", {}) or {}
    time.sleep(1.1)  # a later second: a later serial
    subprocess.run([args.catalog_tool, "sign", "--catalog", catalog, "--packages", os.path.join(args.work, "packages"),
                    "--signing-key", args.signing_key], capture_output=True)
    replicas = [(admin, pid, os.path.join(args.work, f"r{n}", "catalog.sqlite"))
                for n, admin, pid in ((1, args.admin[0], args.pids[0]), (3, args.admin[2], args.pids[1]))]

    def install_copy(source, target):
        shutil.copyfile(source, target + ".part")
        os.replace(target + ".part", target)

    for admin, pid, target in replicas:
        install_copy(catalog, target)
        os.kill(pid, signal.SIGHUP)
    deadline = time.monotonic() + 20
    serials = []
    while time.monotonic() < deadline:
        serials = [(health(admin).get("catalog_statement") or {}).get("serial", 0) for admin, _, _ in replicas]
        if all(serial > before.get("serial", 0) for serial in serials):
            break
        time.sleep(0.2)
    check("a catalog signed anew reaches every replica by SIGHUP", all(s > before.get("serial", 0) for s in serials),
          f"serials {serials}, before {before.get('serial')}")
    admin, pid, target = replicas[0]
    newer = serials[0]
    install_copy(old, target)
    os.kill(pid, signal.SIGHUP)
    time.sleep(3)
    state = health(admin)
    check("a replica refuses a catalog older than the one it serves",
          (state.get("catalog_statement") or {}).get("serial") == newer and state.get("last_load") == "failed",
          f"{state.get('catalog_statement')}, last load {state.get('last_load')}")

    for line in results:
        print(line)


if __name__ == "__main__":
    main()
