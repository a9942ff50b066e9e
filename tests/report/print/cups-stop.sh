#!/bin/sh
# Stops the private print server of cups-start.sh and removes its files.
# Usage: cups-stop.sh ROOT NAME
set -eu

root=$1
name=$2
pollSeconds=0.05
maxPolls=400

pid=
if [ -f "$root/cupsd.pid" ]; then pid=$(cat "$root/cupsd.pid"); fi
# Only the server started from this directory: a pid left from an earlier boot may be another's.
if [ -n "$pid" ] && ! tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q "$root/bin/cupsd"; then
  pid=
fi
if [ -n "$pid" ] && kill "$pid" 2>/dev/null; then
  polls=0
  while kill -0 "$pid" 2>/dev/null; do
    polls=$((polls + 1))
    if [ "$polls" -ge "$maxPolls" ]; then
      kill -KILL "$pid" 2>/dev/null || true
      break
    fi
    sleep "$pollSeconds"
  done
fi
rm -f "/etc/cups/cups-pdf-$name.conf"
rm -rf "$root"
