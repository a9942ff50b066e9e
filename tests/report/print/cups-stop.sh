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
