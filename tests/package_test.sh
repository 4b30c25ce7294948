#!/usr/bin/env bash
# Builds the Debian package into a temporary folder, unpacks it, checks what
# it holds and what it depends on, and runs the unpacked levelgen once.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null
packages=("$scratch"/out/*.deb)
[[ ${#packages[@]} -eq 1 && -f ${packages[0]} ]] || { echo "expected one .deb, found: ${packages[*]}"; exit 1; }
package=${packages[0]}
dpkg-deb -x "$package" "$scratch/root"

status=0
for file in usr/bin/levelgen usr/bin/levelview usr/share/man/man1/levelgen.1.gz usr/share/man/man1/levelview.1.gz; do
  [[ -f $scratch/root/$file ]] || { echo "missing from the package: /$file"; status=1; }
done
depends=$(dpkg-deb -f "$package" Depends)
for library in libc6 libstdc++6; do
  [[ ", $depends" == *", $library "* ]] || { echo "Depends lacks $library: $depends"; status=1; }
done

cd "$scratch"
printf '1 5 10 6 3\n' | "$scratch/root/usr/bin/levelgen" >/dev/null
[[ $(cat level.txt) == $'3 115 3 1\n6 492 2 -2' ]] || { echo "the unpacked levelgen wrote:"; cat level.txt; status=1; }
exit $status
