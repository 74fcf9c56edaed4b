#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end: start the real program under Xvfb with a settings file that names a
# folder of pictures, wait until the main window shows the listed folder, keep a
# screenshot, close the window and check that the settings file was written.
set -euo pipefail
program=$1
artefacts=$2
mkdir -p "$artefacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The program keeps its settings beside itself when it may write there.
cp "$program" "$work/quillo"
mkdir -p "$work/pictures"
# Three small pictures, written by ImageMagick when present, else by printf.
if command -v convert >/dev/null 2>&1 && convert -version >/dev/null 2>&1; then
  convert -size 320x200 gradient:blue-yellow "$work/pictures/first.jpg"
  convert -size 200x320 plasma:fractal -seed 4 "$work/pictures/second.jpg"
  convert -size 64x48 xc:red "BMP3:$work/pictures/third.bmp"
else
  echo "smoke: ImageMagick is needed to make the test pictures" >&2
  exit 1
fi
cat > "$work/quillo.ini" <<INI
[Settings]
PreloadMax=32
Preloading=1
SaveSettings=1
Filter=7
[Layout]
Left=10
Top=10
Width=900
Height=640
Maximized=0
[Last run]
Path=$work/pictures
INI

export QUILLO_STATUS_FILE="$work/report.txt"
export QUILLO_SYSTEM_SETTINGS_DIR="$work/system"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -e
  "'"$work"'/quillo" &
  pid=$!
  for i in $(seq 1 100); do
    if [ -s "$QUILLO_STATUS_FILE" ]; then break; fi
    sleep 0.2
  done
  sleep 2
  import -window root "'"$artefacts"'/quillo.png" || xwd -root -silent > "'"$artefacts"'/quillo.xwd" || true
  kill -TERM $pid
  wait $pid
'
echo "smoke: program report:"
cat "$work/report.txt"
grep -q '^title=Brackwater Quillo III$' "$work/report.txt"
grep -q '^rows=3$' "$work/report.txt"
grep -qi '^path=.*/pictures$' "$work/quillo.ini" || { echo "smoke: settings file not rewritten on close" >&2; cat "$work/quillo.ini"; exit 1; }
grep -q '^BWidth=' "$work/quillo.ini" || { echo "smoke: settings file lacks BWidth" >&2; exit 1; }
echo "smoke: passed"
