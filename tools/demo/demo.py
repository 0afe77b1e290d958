#!/usr/bin/env python3
"""The demo: two input folders, two simulated RIPs and the balancer sharing page files
between them. Page files (PostScript and single-page PDF, named after the naming
convention "%P%-%D-%N") are dropped at a steady rate for --seconds. Headless
(vellora-headless), the console shows them being picked up, delivered and ripped, and
the demo ends after --seconds or on Ctrl-C. With --window the balancer is the vellora
program with its window: the files flow for --seconds, then everything keeps running
until the window is closed (or Ctrl-C). Either way a summary follows.

With --db-dir (a test database started by scripts/test-db, with the fixture's small
production plan) the setup "News" looks its pages up in the plan: colour pages go into
their page-format subfolder of the spool folder, monochrome pages into the mono folder,
pages the plan does not have are held in the input folder; the console says for each
page what the plan said and where it went."""

import argparse
import os
import random
import re
import signal
import subprocess
import sys
import threading
import time


# Pages of the News setup when it looks them up: names of the fixture's plan
# (tests/fixtures/db/plan.sql, ABC on 31 January 2005) and names it does not have.
NEWS_PAGES = (
    "ABC-310105-01",  # four separations: a colour page
    "ABC-310105-02",  # black only: a monochrome page
    "ABC-310105-07",  # not in the plan
    "ABC-310105-03",  # cyan only: a colour page
    "ABC-310105-04",  # K only: a monochrome page
    "ABC-300105-01",  # a day the plan does not have
)


def write_ini(demo, path_of, db):
    lines = [
        "[Setup]",
        "Logging=1",
    ]
    if db:
        lines += [
            "; the throwaway production database of scripts/test-db",
            f"DSN={db['dsn']}",
            f"DSNuser={db['user']}",
            f"DSNpw={db['password']}",
            "OrderByDatabasePriority=1",
        ]
    else:
        lines += ["; no production database", "DSN="]
    lines += [
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
        looked_up = db and name == "News"
        for r in (1, 2):
            lines.append(f"RIP{r}Spool{m}={path_of(f'rip{r}/spool-{name.lower()}')}")
            mono = f"rip{r}/mono-news" if looked_up else f"rip{r}/spool-{name.lower()}"
            lines.append(f"RIP{r}SpoolMono{m}={path_of(mono)}")
        if looked_up:
            # Named "ABC-310105-01.ps": publication, date, page and the extension; the
            # plan's edition and section. Monochrome pages to the mono folders, colour
            # pages into the page format's subfolder, unknown pages held.
            lines += [
                f"UseDatabase{m}=1",
                f"NameConv{m}=%P-%D-%N.%X",
                f"Separators{m}=-.",
                f"DefaultEdition{m}=MAIN",
                f"DefaultSection{m}=A",
                f"DatabaseTemplate{m}=1",
                f"HoldUnknownJobs{m}=1",
                f"ArchivePdf{m}=1",
                f"ArchivePdfPerPublication{m}=1",
                f"PdfArchive{m}={path_of('archive-news')}",
            ]
            for r in (1, 2):
                lines.append(f"MonoFolder{r}_{m}=1")
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
class PlanFollower:
    """Follows the program log for what the production lookup said of each page and
    where the page went, and tells the console once per page and outcome."""

    LOOKUP = re.compile(r"Looking up job \((.+?)\): (?:Publication=|ERROR - (.*))")
    VERDICT = re.compile(r"Job is (\w+) page \(mastercopyseparationset (-?\d+)")
    FOUND = re.compile(r"DEBUG: name found (.+?)\r?$")
    DEST = re.compile(r"DEBUG: Final dest path=(.+?)\r?$")

    def __init__(self, log_path, demo, out):
        self.log_path, self.demo, self.out = log_path, demo, out
        self.offset = 0
        self.current = None  # the page the lookup lines are about
        self.entry = None    # the page the delivery lines are about
        self.verdicts = {}   # name -> (word, set)
        self.destinations = {}
        self.told = set()

    def tell(self, key, text):
        if key in self.told:
            return
        self.told.add(key)
        self.out.write(f"demo: {text}\n")
        self.out.flush()

    def poll(self):
        try:
            with open(self.log_path, "rb") as f:
                f.seek(self.offset)
                data = f.read()
        except OSError:
            return
        end = data.rfind(b"\n")
        if end < 0:
            return
        self.offset += end + 1
        for raw in data[: end + 1].decode(errors="replace").splitlines():
            self.line(raw)

    def line(self, line):
        m = self.LOOKUP.search(line)
        if m:
            self.current = m.group(1)
            if m.group(2) and "not identified" in m.group(2):
                self.tell(("lost", self.current),
                          f"{self.current}: the database does not answer; delivered without identification")
            return
        m = self.VERDICT.search(line)
        if m and self.current:
            word, sep = m.group(1), int(m.group(2))
            self.verdicts[self.current] = (word, sep)
            if word == "unknown":
                self.tell(("verdict", self.current, word),
                          f"{self.current}: not in the production plan: held in the input folder")
            else:
                kind = "colour" if word == "color" else "monochrome"
                self.tell(("verdict", self.current, word),
                          f"{self.current}: a {kind} page of the plan (separation set {sep})")
            return
        m = self.FOUND.search(line)
        if m:
            self.entry = m.group(1)
            return
        m = self.DEST.search(line)
        if m and self.entry:
            dest = m.group(1).replace("\\", "/")
            where = os.path.relpath(os.path.dirname(dest), self.demo)
            self.destinations[self.entry] = where
            if self.entry in self.verdicts:
                self.tell(("dest", self.entry, where), f"{self.entry} -> {where}/")

    def summary(self):
        rows = []
        for name in sorted(self.verdicts):
            word, sep = self.verdicts[name]
            what = {"color": "colour page", "mono": "monochrome page"}.get(word, "not in the plan")
            if sep > 0:
                what += f" (set {sep})"
            where = self.destinations.get(name)
            rows.append((name, what, f"{where}/" if where else "held in in-news/"))
        return rows


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
    ap.add_argument("--db-dir", help="a test database started by scripts/test-db")
    ap.add_argument("--no-db", default="", help="why there is no database (for the console)")
    args = ap.parse_args()

    demo = os.path.abspath(args.dir)
    subprocess.run(["rm", "-rf", demo], check=True)
    db = None
    env = dict(os.environ)
    if args.db_dir:
        with open(os.path.join(args.db_dir, "password")) as f:
            db = {"dsn": "VelloraTest", "user": "vellora", "password": f.read()}
        env["ODBCINI"] = os.path.join(args.db_dir, "odbc.ini")
        env["ODBCSYSINI"] = args.db_dir
        with open(os.path.join(args.db_dir, "port")) as f:
            port = f.read().strip()
        print(f"demo: production plan in PostgreSQL on 127.0.0.1:{port}; setup News looks its "
              "pages up (ABC, 31 January 2005)", flush=True)
    else:
        reason = f" ({args.no_db})" if args.no_db else ""
        print(f"demo: no PostgreSQL for the production plan{reason}; the demo runs without a "
              "database and delivers every page without identification", flush=True)
    folders = ["in-news", "in-ads", "rip1/SW", "rip2/SW", "rip1/spool-news", "rip1/spool-ads",
               "rip2/spool-news", "rip2/spool-ads"]
    if db:
        # The page formats of the plan's ABC pages, in the spool and the mono folders.
        folders += ["rip1/spool-news/A43mmR", "rip2/spool-news/A43mmR", "rip1/mono-news/A43mmR",
                    "rip2/mono-news/A43mmR", "archive-news"]
    for d in folders:
        os.makedirs(os.path.join(demo, d))
    write_ini(demo, lambda p: os.path.join(demo, p), db)

    ripsim = os.path.join(args.build, "tools/ripsim/ripsim")
    program = os.path.join(args.build, "src/apps/vellora" if args.window else "src/apps/vellora-headless")
    rips = []
    for r, (rip_ms, fail, warn) in enumerate(((2500, 9, 4), (3500, 7, 5)), start=1):
        cmd = [ripsim, "--sw", os.path.join(demo, f"rip{r}/SW"),
               "--spool", os.path.join(demo, f"rip{r}/spool-news"),
               "--spool", os.path.join(demo, f"rip{r}/spool-ads"),
               *(["--spool", os.path.join(demo, f"rip{r}/mono-news")] if db else []),
               "--rip-ms", str(rip_ms), "--fail-every", str(fail), "--warn-every", str(warn),
               "--setup", f"Newsprint {40 + r}", "--quiet"]
        rips.append(subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT))
    time.sleep(0.5)

    balancer = subprocess.Popen([program, "--dir", demo], stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, start_new_session=True, env=env)
    threading.Thread(target=pump, args=(balancer, "", sys.stdout), daemon=True).start()
    follower = PlanFollower(os.path.join(demo, "Vellora.log"), demo, sys.stdout) if db else None

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
        stem = f"{pub}-{date}-{page}"
        if db and pub == "NEWS":
            # The plan's pages, over and over.
            stem = NEWS_PAGES[(dropped // 2) % len(NEWS_PAGES)]
        if rng.random() < 0.5:
            name, data = f"{stem}.ps", postscript(f"{stem}")
        else:
            name, data = f"{stem}.pdf", pdf(f"{stem}")
        drop(os.path.join(demo, f"in-{pub.lower()}"), name, data)
        dropped += 1
        if follower:
            follower.poll()
        stop.wait(args.rate)

    if args.window and args.screenshot is None and not stop.is_set() and balancer.poll() is None:
        # The operator looks around for as long as they like.
        print("demo: no more files; close the window (or Ctrl-C) to end the demo", flush=True)
        while not stop.is_set() and balancer.poll() is None:
            if not shot_taken and time.time() - start >= args.screenshot_at:
                take_screenshot(args.build, args.screenshot)
                shot_taken = True
            if follower:
                follower.poll()
            stop.wait(0.5)
    # Let the last files go through, then end everything.
    stop.wait(0 if stop.is_set() or balancer.poll() is not None else 8)
    if follower:
        follower.poll()
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
            count_files(os.path.join(demo, f"rip{r}/spool-ads")) + \
            count_files(os.path.join(demo, f"rip{r}/mono-news"))
        print(f"  delivered to RIP {r}: {ripped(r) + queued} ({ripped(r)} ripped, {queued} in its spool folders)")
    print(f"  still waiting:     {waiting_in} in the input folders")
    if follower:
        print("  production plan (setup News; the latest outcome of each page name):")
        for name, what, where in follower.summary():
            print(f"    {name:<20} {what:<28} -> {where}")
        print(f"  archive copies:    {count_files(os.path.join(demo, 'archive-news'))} in "
              "archive-news/<publication>-<date>/")
    else:
        print("  production plan:   none (no PostgreSQL); pages delivered without identification")
    print(f"  demo folder:       {demo} (Vellora.log, rip1/SW/Logfile, rip2/SW/Logfile)")


if __name__ == "__main__":
    main()
