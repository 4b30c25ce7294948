#!/usr/bin/env bash
# Opens a sheet of twelve candidates, made as the README shows, in headless
# Chromium, as a designer would: it must render without a console message,
# show every seed, and lay at least three thumbnails across a window 1,200
# pixels wide. A list whose columns hold scripts is refused, and a page
# whose entry holds them anyway runs none. Skipped (77) where Chromium is
# not installed.
set -uo pipefail
programs=$1
hostile=$2
command -v chromium >/dev/null || { echo "chromium is not installed: skipped"; exit 77; }
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder"

seeds=$("$programs/levelseek" --first 12 --seeds 0.. --count 115..125 --clear-start 15 1000 20 5 3)
printf '%s\n' "$seeds" | "$programs/levelview" --sheet 1000 20 5 3 -o candidates.html >/dev/null || exit 1

# The page as it is, and a copy that measures its own layout once rendered:
# how many thumbnails share the first row.
sed 's|</body>|<script>document.body.dataset.across = [...document.querySelectorAll("figure")].filter(f => f.offsetTop === document.querySelector("figure").offsetTop).length;</script></body>|' \
  candidates.html > measured.html
browse() {
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$folder/profile" --enable-logging=stderr --v=0 \
    --window-size=1200,900 --dump-dom "file://$folder/$1" 2>"$folder/$1.log"
}
status=0
dom=$(browse candidates.html)
if grep -q CONSOLE candidates.html.log; then
  echo "the page writes to the console:"; grep CONSOLE candidates.html.log; status=1
fi
for seed in $seeds; do
  [[ $dom == *"graine $seed</b>"* ]] || { echo "seed $seed is not on the page"; status=1; }
done
[[ $(grep -o '<figure ' <<<"$dom" | wc -l) == 12 ]] || { echo "the page does not show twelve thumbnails"; status=1; }
across=$(browse measured.html | grep -o 'data-across="[0-9]*"' | grep -o '[0-9]*')
[[ ${across:-0} -ge 3 ]] || { echo "a 1,200 px window shows ${across:-no} thumbnails across, not three"; status=1; }

printf 'seed,count,first_x,last_x,longest_gap\n58,<script>document.body.dataset.pwned=1</script>,17,1003,<img src=x onerror=document.title=42>\n' |
  "$programs/levelview" --sheet 1000 20 5 3 -o xss.html 2>/dev/null && { echo "a list with scripts was taken"; status=1; }
[[ -e xss.html ]] && { echo "a list with scripts left a page"; status=1; }
"$hostile" > hostile.html || exit 1
dom=$(browse hostile.html)
[[ $dom == *"<body>"* && $dom != *data-pwned* && $dom != *"<title>42"* ]] || { echo "the page ran a script from a list's columns"; status=1; }
[[ $dom == *"&lt;script&gt;"* ]] || { echo "the page does not show the columns as text"; status=1; }
exit $status
