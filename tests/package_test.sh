#!/usr/bin/env bash
# Builds the Debian package into a temporary folder, unpacks it, checks what
# it holds, what it depends on, its copyright file and changelog, that its
# programs are hardened (unless the build says it is not: the second
# argument is "no") and that lintian finds no error or warning in it,
# and runs the unpacked levelgen once. lintian and hardening-check (Debian's
# devscripts) are used when installed; CI installs them.
set -euo pipefail
build=$1
hardened=${2:-yes}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null
packages=("$scratch"/out/*.deb)
[[ ${#packages[@]} -eq 1 && -f ${packages[0]} ]] || { echo "expected one .deb, found: ${packages[*]}"; exit 1; }
package=${packages[0]}
dpkg-deb -x "$package" "$scratch/root"

status=0
programs=(levelgen levelview levelseek)
doc=usr/share/doc/levelgen
completions=usr/share/bash-completion/completions
for file in "${programs[@]/#/usr/bin/}" "${programs[@]/#/usr/share/man/man1/}" $doc/copyright $doc/changelog.gz \
  $completions/levelseek $completions/levelview; do
  [[ -f $scratch/root/$file || $file == */man1/* && -f $scratch/root/$file.1.gz ]] ||
    { echo "missing from the package: /$file"; status=1; }
done
depends=$(dpkg-deb -f "$package" Depends)
for library in libc6 libstdc++6; do
  [[ ", $depends" == *", $library "* ]] || { echo "Depends lacks $library: $depends"; status=1; }
done
grep -q '^License: Expat$' "$scratch/root/$doc/copyright" || { echo "the copyright file names no license"; status=1; }
version=$(dpkg-deb -f "$package" Version)
[[ $(zcat "$scratch/root/$doc/changelog.gz" | head -1) == "levelgen ($version) "* ]] ||
  { echo "the changelog does not start with version $version"; status=1; }

if command -v lintian >/dev/null; then
  findings=$(lintian --fail-on none "$package" 2>/dev/null | grep -E '^[EW]: ' || true)
  [[ -z $findings ]] || { echo "lintian: $findings"; status=1; }
fi
if [[ $hardened == yes ]] && command -v hardening-check >/dev/null; then
  # Debian 12's own start files (crti.o) carry no control-flow marks, so no
  # program linked there can carry them; that verdict is left out, and the
  # compiler's record of each of our own units is read instead.
  for program in "${programs[@]}"; do
    hardening-check --nocfprotection --quiet "$scratch/root/usr/bin/$program" || status=1
  done
fi
for program in "$build"/bin/levelgen "$build"/bin/levelview "$build"/bin/levelseek; do
  [[ $hardened == yes ]] || break
  unprotected=$(readelf --debug-dump=info "$program" | grep 'DW_AT_producer.*GNU' | grep -v -c -- -fcf-protection || true)
  [[ $unprotected == 0 ]] || { echo "$program: $unprotected units built without -fcf-protection"; status=1; }
done

cd "$scratch"
printf '1 5 10 6 3\n' | "$scratch/root/usr/bin/levelgen" >/dev/null
[[ $(cat level.txt) == $'3 115 3 1\n6 492 2 -2' ]] || { echo "the unpacked levelgen wrote:"; cat level.txt; status=1; }
exit $status
