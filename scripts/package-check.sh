#!/usr/bin/env bash
# make package-check: installs the .deb into a fresh minimal Debian 12 the way a user would (apt
# resolves its dependencies), then runs the installed programs: varnixpos-cli -V, varnixpos -V
# without a display, and a run-once POS_TOTTER against the installed simulator on loopback. The
# debootstrapped system is kept in build-pkgcheck/ and copied afresh for every check.
set -euo pipefail
trap 'echo "package-check: FAILED (line $LINENO)" >&2' ERR
deb="$(readlink -f "$1")"
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh package

echo "package-check: lintian (errors and warnings fail)"
lintian --fail-on error,warning "$deb"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

cache="$PWD/build-pkgcheck/bookworm"
if [ ! -x "$cache/usr/bin/apt-get" ]; then
  $sudo rm -rf "$cache.partial"
  $sudo debootstrap --variant=minbase bookworm "$cache.partial" http://deb.debian.org/debian
  $sudo mv "$cache.partial" "$cache"
fi
root="$PWD/build-pkgcheck/root"
if mountpoint -q "$root/proc" 2>/dev/null; then $sudo umount "$root/proc"; fi
$sudo rm -rf "$root"
$sudo cp -a "$cache" "$root"
$sudo cp /etc/resolv.conf "$root/etc/resolv.conf"
$sudo cp "$deb" "$root/tmp/varnixpos.deb"
# A running system has /proc; the programs find what they ship beside themselves through it.
$sudo mount -t proc proc "$root/proc"
trap '$sudo umount "$root/proc"' EXIT
in_root() { $sudo chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/home/user "$@"; }

in_root apt-get update -q
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
  /tmp/varnixpos.deb
in_root mkdir -p /home/user

echo "package-check: varnixpos-cli -V"
in_root varnixpos-cli -V
test -d "$root/home/user/.local/share/ZANDRIKVarnixPos" || {
  echo "package-check: the launcher did not create the data folder" >&2
  exit 1
}
echo "package-check: every library the windowed module needs came with the package's dependencies"
in_root sh -c '! ldd /usr/libexec/varnixpos/libvarnixpos-qt.so | grep "not found"'
echo "package-check: varnixpos -V (no display: the headless path)"
in_root varnixpos -V

echo "package-check: varnixpos-cli -E with POS_TOTTER against the installed simulator"
in_root sh -c '
  set -e
  data=/home/user/.local/share/ZANDRIKVarnixPos
  # Terminal ports stop at 9999: try free ones from the top of that range.
  for port in $(shuf -i 9000-9999 -n 20); do
    pos-simulator --tcp $port --journal /tmp/journal.jsonl > /tmp/sim.out 2>&1 &
    sim=$!
    for i in $(seq 50); do grep -q "^tcp " /tmp/sim.out && break; kill -0 $sim 2>/dev/null || break; sleep 0.1; done
    grep -q "^tcp " /tmp/sim.out && break
  done
  printf "TIPO:ETH\r\nIPAD:127.0.0.1\r\nPORT:%s\r\nINPF:SRINPF.TXT\r\nOUTF:SROUTF.TXT\r\n" "$port" \
    > $data/ConfigVnxPos.TXT
  printf "POS_TOTTER\r\n" > $data/SRINPF.TXT
  varnixpos-cli -E$data/ConfigVnxPos.TXT
  kill $sim
  wait $sim || true
  head -3 $data/POSDUMPOUT.TXT
  grep -q "ESITO_COMANDO = OK" $data/POSDUMPOUT.TXT
  grep -q "IAE17AX_TerminalBalance" /tmp/journal.jsonl
'
echo "package-check: PASSED"
