#!/usr/bin/env bash
# The window program ends on SIGTERM as on Exit: status 0 and the options saved.
# Usage: terminate-on-signal.sh TALVEN CONFIG_DIR
set -u
talven=$1
config=$2
rm -rf "$config"
mkdir -p "$config"
XDG_CONFIG_HOME="$config" QT_QPA_PLATFORM=offscreen "$talven" >/dev/null 2>&1 &
pid=$!
sleep 3
kill -TERM "$pid"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || { echo "talven ended with status $status" >&2; exit 1; }
[ -f "$config/OrvaneVamir/TALVEN.conf" ] || { echo "the options were not saved" >&2; exit 1; }
echo "ended with status 0, options saved"
