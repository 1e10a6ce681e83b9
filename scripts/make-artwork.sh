#!/usr/bin/env bash
# Draws the launcher's artwork with ImageMagick and the DejaVu fonts (Debian: imagemagick,
# fonts-dejavu-core): the 400 x 400 logo gameStates/logo.bmp that the main window paints behind
# its controls, and the program icon platform/win32/program/Brightwell.ico (48, 32 and 16 pixels).
# The results are kept in the repository, so builds do not run this; run it after changing it.
#
# Usage: scripts/make-artwork.sh
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf
SMALL_FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
scratch="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-artwork.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

# The logo: a dawn sky over a well on a hill in the top 150 rows, then a pale parchment panel
# where the states lay out their controls (the controls draw black text straight onto it).
convert -size 400x150 gradient:'#1d2b53-#f4a259' "$scratch/sky.png"
convert "$scratch/sky.png" \
    -fill '#ffd166' -draw 'circle 300,118 300,78' \
    -fill '#ffe8a3' -draw 'circle 300,118 300,96' \
    -fill '#2e4a3d' -draw 'ellipse 200,175 260,55 180,360' \
    -fill '#3f6652' -draw 'ellipse 60,165 140,40 180,360' \
    -fill '#6b4f3a' -draw 'rectangle 88,108 132,128' \
    -fill '#8c6a4f' -draw 'rectangle 84,104 136,110' \
    -stroke '#6b4f3a' -strokewidth 3 -draw 'line 92,104 92,82' -draw 'line 128,104 128,82' \
    -draw 'line 88,82 132,82' -stroke none \
    -font "$FONT" -pointsize 40 -fill '#00000060' -annotate +152+63 'Brightwell' \
    -fill '#fff8e7' -annotate +150+61 'Brightwell' \
    -font "$SMALL_FONT" -pointsize 13 -fill '#fff8e7' -annotate +153+84 'L A U N C H E R' \
    "$scratch/top.png"
convert -size 400x250 gradient:'#fbf3e1-#efe2c4' "$scratch/panel.png"
convert "$scratch/top.png" "$scratch/panel.png" -append \
    -fill '#c9a66b' -draw 'rectangle 0,150 399,152' \
    -type TrueColor -alpha off BMP3:"$ROOT/gameStates/logo.bmp"

# The icon: the well under a rising sun on a blue tile, drawn once at 48 pixels and scaled.
convert -size 48x48 xc:none \
    -fill '#1d2b53' -draw 'roundrectangle 1,1 46,46 8,8' \
    -fill '#ffd166' -draw 'circle 24,22 24,8' \
    -fill '#6b4f3a' -draw 'rectangle 12,30 36,42' \
    -fill '#8c6a4f' -draw 'rectangle 10,27 38,31' \
    "$scratch/icon-48.png"
for size in 32 16; do
    convert "$scratch/icon-48.png" -resize "${size}x${size}" "$scratch/icon-$size.png"
done
convert "$scratch/icon-48.png" "$scratch/icon-32.png" "$scratch/icon-16.png" \
    "$ROOT/platform/win32/program/Brightwell.ico"
echo "[artwork] wrote gameStates/logo.bmp and platform/win32/program/Brightwell.ico"
