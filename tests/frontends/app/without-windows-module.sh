#!/usr/bin/env bash
# A varnixpos whose windowed module is missing (a broken installation) still runs, headless, and
# says why; with a display set, so that it does look for the module.
# Usage: without-windows-module.sh VARNIXPOS
set -euo pipefail
work="$(mktemp -d /tmp/varnixpos-nomodule.XXXXXX)"
trap 'rm -rf "$work"' EXIT
cp "$1" "$work/"
mkdir -p "$work/share/ZANDRIKVarnixPos"
XDG_DATA_HOME="$work/share" XDG_CONFIG_HOME="$work/config" DISPLAY=:99 \
  "$work/varnixpos" -V >"$work/out" 2>"$work/err"
grep -q "^Versione " "$work/out" || { echo "no version printed"; cat "$work/out" "$work/err"; exit 1; }
grep -q "varnixpos: no windows (.*libvarnixpos-qt.so" "$work/err" || { echo "no reason given"; cat "$work/err"; exit 1; }
echo "passed: without its module varnixpos -V ran headless and said why"
