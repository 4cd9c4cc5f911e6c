#!/usr/bin/env bash
# docs/screenshots/test-set-report.png: the HTML report of the starter test set, played by the
# scripted register that resends a declined payment (so the page opens with a failure), as a
# headless browser draws it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh docs
cmake --build --preset default --target pos-simulator varnixpos-cli Iae17 >/dev/null
out=$(VARNIX_KEEP_WORK=1 python3 tests/simulator/test-set-e2e.py build/bin . resend-declined negato)
report=$(printf '%s\n' "$out" | sed -n 's/^report: //p')
[ -f "$report" ] || { printf '%s\n' "$out"; echo "report-screenshot: no report"; exit 1; }
# No network and no profile of the user's: the page is self-contained.
chromium-headless-shell --no-sandbox --disable-gpu --hide-scrollbars --window-size=1400,1300 \
  --user-data-dir="$(mktemp -d)" --screenshot=docs/screenshots/test-set-report.png \
  "file://$report" 2>/dev/null
echo "report-screenshot: docs/screenshots/test-set-report.png from $report"
