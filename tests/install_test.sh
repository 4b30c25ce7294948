#!/usr/bin/env bash
# Installs the project into a temporary prefix and checks that it holds the
# three programs and their manual pages, and that man renders each page
# without a warning, in a UTF-8 and in a plain ASCII locale.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
for program in levelgen levelview levelseek; do
  if [[ ! -x $prefix/bin/$program ]]; then
    echo "missing: bin/$program"; status=1
  fi
  page=$prefix/share/man/man1/$program.1.gz
  if [[ ! -f $page ]]; then
    echo "missing: share/man/man1/$program.1.gz"; status=1; continue
  fi
  for locale in C.UTF-8 C; do
    warnings=$(LC_ALL=$locale MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    if [[ -n $warnings ]]; then
      echo "man $program.1 ($locale): $warnings"; status=1
    fi
  done
done
for completion in levelseek levelview; do
  [[ -f $prefix/share/bash-completion/completions/$completion ]] ||
    { echo "missing: share/bash-completion/completions/$completion"; status=1; }
done
exit $status
