#!/usr/bin/env bash
# The newcomer's path, proved from scratch: a bare Debian 12 root made from
# this machine's own package source, a clone of this repository in it, and
# the README's two commands run there one after the other, each timed, with
# what each installed. Slow (the whole suite runs in it); not part of CI.
#   scripts/fresh-machine.sh [ROOT]    (as root; ROOT is removed afterwards
#                                        unless KEEP_ROOT=1)
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "fresh-machine.sh: run it as root" >&2; exit 1; }
repo=$(pwd)
root=${1:-$(mktemp -d /var/tmp/glimmerkin-fresh.XXXXXX)}
sources=/etc/apt/sources.list.d/debian.sources
[ -f "$sources" ] || sources=/etc/apt/sources.list

command -v mmdebstrap >/dev/null || {
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq mmdebstrap >/dev/null
}

cleanup() {
  [ "${KEEP_ROOT:-0}" = 1 ] && { echo "The root is kept in $root"; return; }
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT

echo "== Bootstrapping a bare Debian 12 root in $root"
start=$SECONDS
rm -rf "$root" && mkdir -p "$root"
mmdebstrap --quiet --variant=apt --include=ca-certificates,git bookworm "$root" "$sources"
echo "   took $((SECONDS - start)) s"
# What a newcomer has: a clone, not this work tree.
git clone -q --no-local "$repo" "$root/root/glimmerkin"

# in_root COMMAND: runs it in the root, in a mount namespace of its own, with
# an environment like a login shell's.
in_root() {
  unshare -m bash -s "$root" "$1" <<'INNER'
set -e
root=$1
mount --make-rprivate /
mount --bind "$root" "$root"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount --rbind /sys "$root/sys"
mount -t tmpfs tmpfs "$root/tmp"
mount -t tmpfs tmpfs "$root/run"
exec chroot "$root" env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin bash -lc "$2"
INNER
}
# packages: how many are installed in the root, and their size in kB.
packages() {
  chroot "$root" dpkg-query -W -f='${db:Status-Abbrev} ${Installed-Size}\n' |
    awk '$1 == "ii" { n++; kb += $2 } END { print n, kb }'
}

status=0
for command in run test; do
  read -r before_n before_kb < <(packages)
  echo "== ./dev.sh $command in the fresh root"
  start=$SECONDS
  if in_root "cd /root/glimmerkin && ./dev.sh $command" 2>&1 | sed "s/^/   [$command] /"; then
    result=passed
  else
    result=FAILED
    status=1
  fi
  took=$((SECONDS - start))
  read -r after_n after_kb < <(packages)
  printf '== ./dev.sh %s %s in %d min %d s; it installed %d packages, %d MB\n' "$command" "$result" \
    $((took / 60)) $((took % 60)) $((after_n - before_n)) $(((after_kb - before_kb) / 1024))
done
exit $status
