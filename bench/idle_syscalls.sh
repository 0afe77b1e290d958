#!/usr/bin/env bash
# idle_syscalls.sh BUILD [SECONDS]: the system calls an idle vellora-headless makes
# with four RIPs (ripsim processes) and ten spoolers, at the product's own timings.
# After a warm-up, strace -c -f counts every call of every thread of the balancer
# (not of the RIPs) for SECONDS (default 60); prints the calls per second and the
# table by call.
set -euo pipefail
build=$(cd "${1:?usage: idle_syscalls.sh BUILD [SECONDS]}" && pwd)
seconds=${2:-60}
site=$(mktemp -d /tmp/vellora-idle-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$site"
}
trap cleanup EXIT

{
  echo "[Setup]"
  echo "DSN="
  echo "NumberOfSpoolers=10"
  for r in 1 2 3 4; do
    echo "UseRIP$r=1"
    echo "RIP${r}Name=Idle RIP $r"
    echo "RIP${r}swPath=$site/rip$r/SW"
  done
  for m in $(seq 1 10); do
    echo "InputSpool$m=$site/in$m"
    echo "Enable$m=1"
    echo "SetupName$m=Input $m"
    for r in 1 2 3 4; do echo "RIP${r}Spool$m=$site/rip$r/spool$m"; done
  done
} >"$site/Vellora.ini"
for m in $(seq 1 10); do mkdir -p "$site/in$m"; done
for r in 1 2 3 4; do mkdir -p "$site/rip$r"; done

for r in 1 2 3 4; do
  spools=()
  for m in $(seq 1 10); do spools+=(--spool "$site/rip$r/spool$m"); done
  "$build/tools/ripsim/ripsim" --sw "$site/rip$r/SW" "${spools[@]}" --quiet >/dev/null 2>&1 &
  pids+=($!)
done
sleep 1
"$build/src/apps/vellora-headless" --dir "$site" >"$site/console.txt" 2>&1 &
balancer=$!
pids+=("$balancer")
sleep 10  # start-up: the monitors' first passes, the scanner's first pass

strace -c -f -p "$balancer" -o "$site/strace.txt" &
tracer=$!
sleep "$seconds"
kill -INT "$tracer"
wait "$tracer" || true
total=$(awk '$NF == "total" {print $(NF-2)}' "$site/strace.txt")
echo "idle vellora-headless, 4 RIPs, 10 spoolers: $total system calls in ${seconds} s," \
  "$(awk -v t="$total" -v s="$seconds" 'BEGIN {printf "%.1f", t / s}') per second"
cat "$site/strace.txt"
