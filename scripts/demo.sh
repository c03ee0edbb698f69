#!/usr/bin/env bash
# The demo: what the engine does so far, on the sample visual and a generated song, from the
# ordinary build in build/. Pictures are written as PNGs into build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."

quorix=build/bin/quorix
visual=build/quorix/sample.qrx
song=build/assets/demo_song.wav
out=build/demo
mkdir -p "$out"

step() { printf '\n== %s\n' "$*"; }

step "The sample visual ($visual)"
"$quorix" info "$visual"
"$quorix" verify "$visual" && echo "verify: no problem found"

step "The plug-ins the engine loads from its base folder"
"$quorix" plugins

step "Beats of the demo song (a drum loop at 120 bpm; first and last beats)"
"$quorix" beats "$song" > "$out/beats.txt"
head -n 4 "$out/beats.txt"
echo "..."
tail -n 3 "$out/beats.txt"

step "The sample visual's pictures, decoded as the engine decodes them, into $out/"
for index in 0 1 2; do
  "$quorix" picture "$visual" "$index" -o "$out/picture-$index-16bit.png" --depth 16
  "$quorix" picture "$visual" "$index" -o "$out/picture-$index-8bit.png" --depth 8
done
"$quorix" picture "$visual" 0 -o "$out/picture-0-32bit-half.png" --depth 32 --scale 2
ls -1 "$out"/*.png

step "Not built yet"
echo "The frame loop that plays visuals to the beat, and the commands that render a song to a"
echo "video, play it in a window or follow the desktop audio, come with the engine."
