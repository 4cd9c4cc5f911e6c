#!/usr/bin/env bash
# The stand-in library exports the vendor's fourteen functions and nothing else of ours.
set -euo pipefail
lib="$1"
expected="IAE17AX_Closure IAE17AX_Free IAE17AX_GetVersion IAE17AX_InitEth IAE17AX_InitRS232 IAE17AX_Payment IAE17AX_PaymentExt IAE17AX_Preauthorization IAE17AX_PreauthorizationClose IAE17AX_PreauthorizationInt IAE17AX_Refund IAE17AX_Status IAE17AX_TerminalBalance IAE17AX_Void"
actual=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$expected" ]; then
  echo "exported: $actual"
  echo "expected: $expected"
  exit 1
fi
echo "1 passed, 0 failed: $lib exports exactly the 14 IAE17AX_ functions"
