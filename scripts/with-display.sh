#!/usr/bin/env bash
# Runs a command with an X display: the one given, or a private Xvfb.
set -euo pipefail
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi
for n in $(seq 90 140); do
  [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 1 50); do
  DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
DISPLAY=$display "$@"
