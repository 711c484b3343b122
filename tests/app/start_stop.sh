#!/usr/bin/env bash
# The program starts without a display, stays up, and ends cleanly on SIGTERM.
set -u
exe="$1"
QT_QPA_PLATFORM=offscreen "$exe" &
pid=$!
sleep 1
if ! kill -0 "$pid" 2>/dev/null; then
  echo "nuvir ended by itself"
  exit 1
fi
kill -TERM "$pid"
for _ in $(seq 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "nuvir did not end on SIGTERM"
  kill -KILL "$pid"
  exit 1
fi
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || { echo "nuvir exited with $rc"; exit 1; }
echo "nuvir started and stopped cleanly"
