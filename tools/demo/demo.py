#!/usr/bin/env python3
"""The demo: two input folders, two simulated RIPs and the balancer sharing page files
between them. Page files (PostScript and single-page PDF, named after the naming
convention "%P%-%D-%N") are dropped at a steady rate for --seconds. Headless
(vellora-headless), the console shows them being picked up, delivered and ripped, and
the demo ends after --seconds or on Ctrl-C. With --window the balancer is the vellora
program with its window: the files flow for --seconds, then everything keeps running
until the window is closed (or Ctrl-C). Either way a summary follows."""

import argparse
import os
import random
import signal
import subprocess
import sys
import threading
import time


def write_ini(demo, path_of):
    lines = [
        "[Setup]",
        "Logging=1",
        "; no production database in the demo",
        "DSN=",
        "NumberOfSpoolers=2",
        "MaxOutstandingJobs=1",
        "StableTime=1",
        "ForceOpenInputs=0",
        "MaxRipDoneList=50",
    ]
    for r in (1, 2):
        lines += [
            f"UseRIP{r}=1",
            f"RIP{r}Name=Demo RIP {r}",
            f"RipComputer{r}=Demo RIP {r}",
            f"RIP{r}swPath={path_of(f'rip{r}/SW')}",
        ]
    for m, (name, prio) in enumerate((("News", 2), ("Ads", 1)), start=1):
        lines += [
            f"InputSpool{m}={path_of(f'in-{name.lower()}')}",
            f"Enable{m}=1",
            f"SetupName{m}={name}",
            f"Priority{m}={prio}",
            f"NameConv{m}=%P%-%D-%N",
            f"DateFormat{m}=DDMMYY",
        ]
        for r in (1, 2):
            lines.append(f"RIP{r}Spool{m}={path_of(f'rip{r}/spool-{name.lower()}')}")
            lines.append(f"RIP{r}SpoolMono{m}={path_of(f'rip{r}/spool-{name.lower()}')}")
    with open(os.path.join(demo, "Vellora.ini"), "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def postscript(title):
    return (f"%!PS-Adobe-3.0\n%%Title: {title}\n%%Pages: 1\n%%EndComments\n"
            f"/Helvetica findfont 36 scalefont setfont 72 720 moveto ({title}) show\n"
            "showpage\n%%EOF\n").encode()


def pdf(title):
    content = f"BT /F1 36 Tf 72 720 Td ({title}) Tj ET".encode()
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
        b"/Resources << /Font << /F1 5 0 R >> >> >>",
        b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ]
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for k, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % k + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for off in offsets:
        out += b"%010d 00000 n \n" % off
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(out)


def drop(folder, name, data):
    """Writes the file in two halves with a pause, as a slow network writer would;
    the balancer must wait until it is complete."""
    path = os.path.join(folder, name)
    with open(path, "wb") as f:
        f.write(data[: len(data) // 2])
        f.flush()
        time.sleep(0.3)
        f.write(data[len(data) // 2:])


def pump(proc, prefix, out):
    for raw in proc.stdout:
        out.write(prefix + raw.decode(errors="replace"))
        out.flush()


def take_screenshot(build, path):
    grab = os.path.join(build, "tools/screengrab/screengrab")
    result = subprocess.run([grab, path], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    print(f"demo: screenshot {path}: " + ("written" if result.returncode == 0 else
          result.stdout.decode(errors="replace").strip()), flush=True)


def count_files(folder):
    n = 0
    for _, _, files in os.walk(folder):
        n += sum(1 for f in files if not f.startswith("."))
    return n


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--build", required=True, help="the build folder")
    ap.add_argument("--dir", required=True, help="the demo folder (recreated)")
    ap.add_argument("--seconds", type=float, default=60)
    ap.add_argument("--rate", type=float, default=1.5, help="seconds between two dropped files")
    ap.add_argument("--window", action="store_true", help="run the vellora program with its window")
    ap.add_argument("--screenshot", help="a PNG of the screen taken --screenshot-at seconds in "
                    "(with --window, on an X display)")
    ap.add_argument("--screenshot-at", type=float, default=20)
    args = ap.parse_args()

    demo = os.path.abspath(args.dir)
    subprocess.run(["rm", "-rf", demo], check=True)
    for d in ("in-news", "in-ads", "rip1/SW", "rip2/SW", "rip1/spool-news", "rip1/spool-ads",
              "rip2/spool-news", "rip2/spool-ads"):
        os.makedirs(os.path.join(demo, d))
    write_ini(demo, lambda p: os.path.join(demo, p))

    ripsim = os.path.join(args.build, "tools/ripsim/ripsim")
    program = os.path.join(args.build, "src/apps/vellora" if args.window else "src/apps/vellora-headless")
    rips = []
    for r, (rip_ms, fail, warn) in enumerate(((2500, 9, 4), (3500, 7, 5)), start=1):
        cmd = [ripsim, "--sw", os.path.join(demo, f"rip{r}/SW"),
               "--spool", os.path.join(demo, f"rip{r}/spool-news"),
               "--spool", os.path.join(demo, f"rip{r}/spool-ads"),
               "--rip-ms", str(rip_ms), "--fail-every", str(fail), "--warn-every", str(warn),
               "--setup", f"Newsprint {40 + r}", "--quiet"]
        rips.append(subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT))
    time.sleep(0.5)

    balancer = subprocess.Popen([program, "--dir", demo], stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, start_new_session=True)
    threading.Thread(target=pump, args=(balancer, "", sys.stdout), daemon=True).start()

    dropped = 0
    stop = threading.Event()
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    rng = random.Random(2026)
    start = time.time()
    publications = ("NEWS", "ADS")
    phase = "running"
    shot_taken = args.screenshot is None
    while not stop.is_set() and time.time() - start < args.seconds:
        if balancer.poll() is not None:
            break  # the window was closed
        if not shot_taken and time.time() - start >= args.screenshot_at:
            take_screenshot(args.build, args.screenshot)
            shot_taken = True
        # A third of the way in, RIP 2 stops taking input for a while; its monitor
        # sees it in the log and the balancer sends everything to RIP 1 meanwhile.
        elapsed = time.time() - start
        if phase == "running" and elapsed > args.seconds / 3:
            print(f"demo: pausing the input of RIP 2 (ripsim pid {rips[1].pid})", flush=True)
            rips[1].send_signal(signal.SIGUSR1)
            phase = "paused"
        elif phase == "paused" and elapsed > args.seconds / 2:
            print("demo: resuming the input of RIP 2", flush=True)
            rips[1].send_signal(signal.SIGUSR2)
            phase = "resumed"
        pub = publications[dropped % 2]
        page = f"{dropped // 2 + 1:02d}"
        date = time.strftime("%d%m%y")
        if rng.random() < 0.5:
            name, data = f"{pub}-{date}-{page}.ps", postscript(f"{pub} page {page}")
        else:
            name, data = f"{pub}-{date}-{page}.pdf", pdf(f"{pub} page {page}")
        drop(os.path.join(demo, f"in-{pub.lower()}"), name, data)
        dropped += 1
        stop.wait(args.rate)

    if args.window and args.screenshot is None and not stop.is_set() and balancer.poll() is None:
        # The operator looks around for as long as they like.
        print("demo: no more files; close the window (or Ctrl-C) to end the demo", flush=True)
        while not stop.is_set() and balancer.poll() is None:
            if not shot_taken and time.time() - start >= args.screenshot_at:
                take_screenshot(args.build, args.screenshot)
                shot_taken = True
            stop.wait(0.5)
    # Let the last files go through, then end everything.
    stop.wait(0 if stop.is_set() or balancer.poll() is not None else 8)
    if balancer.poll() is None:
        balancer.send_signal(signal.SIGINT)
    balancer.wait(timeout=30)
    for p in rips:
        p.send_signal(signal.SIGINT)
        p.wait(timeout=10)

    def ripped(r):
        try:
            with open(os.path.join(demo, f"rip{r}/SW/Logfile"), "rb") as f:
                log = f.read().decode(errors="replace")
        except OSError:
            return 0
        return log.count("Setup loaded: ")

    waiting_in = count_files(os.path.join(demo, "in-news")) + count_files(os.path.join(demo, "in-ads"))
    print()
    print("demo summary")
    print(f"  files in:          {dropped}")
    for r in (1, 2):
        queued = count_files(os.path.join(demo, f"rip{r}/spool-news")) + \
            count_files(os.path.join(demo, f"rip{r}/spool-ads"))
        print(f"  delivered to RIP {r}: {ripped(r) + queued} ({ripped(r)} ripped, {queued} in its spool folders)")
    print(f"  still waiting:     {waiting_in} in the input folders")
    print(f"  demo folder:       {demo} (Vellora.log, rip1/SW/Logfile, rip2/SW/Logfile)")


if __name__ == "__main__":
    main()
