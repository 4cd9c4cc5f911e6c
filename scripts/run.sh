#!/usr/bin/env bash
# `make run`: creates the data folder when it is missing (what an installer does; VarnixPos itself
# never creates it) and starts VarnixPos in the resident mode, with its windows when there is a
# display and headless otherwise.
set -euo pipefail
bin="$(cd "$(dirname "$0")/.." && pwd)/build/bin"
data="${XDG_DATA_HOME:-$HOME/.local/share}/ZANDRIKVarnixPos"
if [ ! -d "$data" ]; then
  mkdir -p "$data"
  echo "run: created the data folder $data"
fi
if [ -x "$bin/varnixpos" ]; then
  exec "$bin/varnixpos" "$@"
fi
exec "$bin/varnixpos-cli" "$@"
