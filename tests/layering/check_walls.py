#!/usr/bin/env python3
"""The walls of the source tree, checked on every test run.

- Operating-system headers are included only under src/platform/: every other folder
  reaches the OS through it, so a Windows build replaces one folder.
- Qt is included only under src/ui/ and src/apps/: the engine and the subsystems
  never see the window toolkit.
- Each folder includes only the folders it may depend on: dependencies point one way,
  apps -> ui -> engine -> subsystems -> platform, and brindlog shares nothing with
  the operator program but the log reading, the reachability test and the platform.

Prints every offending line and exits 1 when there is one.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
SRC = ROOT / "src"

OS_HEADER = re.compile(
    r'#\s*include\s*<((unistd|fcntl|dirent|poll|pthread|signal|spawn|netdb|pwd|grp|termios|'
    r'dlfcn|syslog|ifaddrs|semaphore|mqueue|sched|wordexp|glob|fnmatch)\.h|'
    r'(sys|netinet|arpa|linux|net)/[^>]+|windows\.h|winsock2?\.h)>')
QT_HEADER = re.compile(r'#\s*include\s*<Q[A-Za-z]+|#\s*include\s*<Qt[A-Za-z]*/')
ODBC_HEADER = re.compile(r'#\s*include\s*<(sql|sqlext|sqltypes|sqlucode)\.h>')
PROJECT_INCLUDE = re.compile(r'#\s*include\s*"([a-z_]+)/')

SUBSYSTEMS = {"core", "intake", "identify", "riptrack", "riplog", "db", "notify", "net"}
ALLOWED = {
    "platform": set(),
    "core": {"platform"},
    "net": {"platform"},
    "riplog": {"platform"},
    "identify": {"core", "db", "platform"},
    "db": {"core", "platform"},
    "notify": {"core", "platform"},
    "intake": {"core", "net", "identify", "platform"},
    "riptrack": {"core", "net", "riplog", "platform"},
    "engine": SUBSYSTEMS | {"platform"},
    "ui": {"engine"} | SUBSYSTEMS | {"platform"},
    "apps": {"ui", "engine", "brindlog"} | SUBSYSTEMS | {"platform"},
    "brindlog": {"riplog", "net", "platform"},
}

problems = []
for path in sorted(SRC.rglob("*")):
    if path.suffix not in {".h", ".hpp", ".cpp", ".cc"}:
        continue
    folder = path.relative_to(SRC).parts[0]
    rel = path.relative_to(ROOT)
    for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        if folder != "platform" and OS_HEADER.search(line):
            problems.append(f"{rel}:{number}: OS header outside src/platform: {line.strip()}")
        if folder not in {"ui", "apps"} and QT_HEADER.search(line):
            problems.append(f"{rel}:{number}: Qt outside src/ui and src/apps: {line.strip()}")
        if folder != "db" and ODBC_HEADER.search(line):
            problems.append(f"{rel}:{number}: ODBC outside src/db: {line.strip()}")
        m = PROJECT_INCLUDE.search(line)
        if m and m.group(1) != folder:
            allowed = ALLOWED.get(folder)
            if allowed is None:
                problems.append(f"{rel}:{number}: folder src/{folder} has no place in the layers")
            elif m.group(1) not in allowed:
                problems.append(f"{rel}:{number}: src/{folder} may not include src/{m.group(1)}: "
                                f"{line.strip()}")

for p in problems:
    print(p)
if problems:
    print(f"{len(problems)} include(s) cross a wall")
    sys.exit(1)
print("walls hold")
