#!/usr/bin/env bash
# Draws the programs' artwork with ImageMagick. Run once by hand; the image files it
# writes are kept in the source tree and compiled in as Qt resources, so the build
# never needs ImageMagick.
#   support/ui/artwork/splash.jpg       the splash picture, 400 x 250
#   support/ui/artwork/keplo-16/32/48.png  the program emblem, used as window icon
#   support/ui/artwork/keplo-22/24/64/128/256.png  the emblem at the other sizes of
#                                       the desktop's icon theme (installed with it)
#   editor/icons/tree1.png .. tree8.png   the tree's 16 x 16 icons
#   skins/icons/pelterbox-16/32/48.png   Pelterbox's emblem, its window icon
#   skins/icons/extract-16/32.png        the picture on Pelterbox's Extract button
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
icons=$here/../../../editor/icons
skins=$here/../../../skins/icons
mkdir -p "$icons" "$skins"
font=DejaVu-Sans-Bold
plain=DejaVu-Sans

# Splash: a night-sky gradient, a ring of the emblem, the name and a subtitle.
convert -size 400x250 gradient:'#0b1d3a'-'#2f5d8a' \
  -fill none -stroke '#e8b83a' -strokewidth 6 -draw 'circle 80,125 80,65' \
  -stroke none -fill '#e8b83a' -font "$font" -pointsize 72 -draw "text 58,150 'K'" \
  -fill white -font "$font" -pointsize 56 -draw "text 160,140 'Keplo'" \
  -fill '#c9d8ea' -font "$plain" -pointsize 17 -draw "text 163,172 'Tribes 2 content tools'" \
  -fill '#7f9bbd' -font "$plain" -pointsize 11 -draw "text 163,230 'Archive editor and skin installer'" \
  -quality 92 "$here/splash.jpg"

# The emblem: a gold ring with a letter ("K" for Keplo), on transparent ground.
emblem() {
  local size=$1 out=$2 letter=${3:-K} ground=${4:-#1c3f6e}
  local c=$((size / 2)) r=$((size / 2 - 1)) w=$((size / 10 + 1)) p=$((size * 3 / 4))
  convert -size "${size}x${size}" xc:none \
    -fill "$ground" -stroke '#e8b83a' -strokewidth "$w" -draw "circle $c,$c $c,$((c - r + w / 2))" \
    -stroke none -fill white -font "$font" -pointsize "$p" -gravity center -draw "text 0,0 '$letter'" \
    "PNG32:$out"
}
emblem 16 "$here/keplo-16.png"
emblem 32 "$here/keplo-32.png"
emblem 48 "$here/keplo-48.png"
for size in 22 24 64 128 256; do
  emblem "$size" "$here/keplo-$size.png"
done

# A blank page with a folded corner, the ground of most tree icons.
page=(-fill white -stroke '#6b6b6b' -strokewidth 1 -draw 'polygon 2.5,0.5 10.5,0.5 13.5,3.5 13.5,15.5 2.5,15.5'
      -fill '#d8d8d8' -draw 'polygon 10.5,0.5 10.5,3.5 13.5,3.5')

draw() { # draw <file> <ImageMagick drawing arguments...>
  local out=$1
  shift
  convert -size 16x16 xc:none "$@" "PNG32:$out"
}

# 1 yellow folder
draw "$icons/tree1.png" \
  -fill '#e0a81c' -stroke '#8a6510' -strokewidth 1 -draw 'polygon 0.5,3.5 5.5,3.5 7.5,5.5 14.5,5.5 14.5,13.5 0.5,13.5' \
  -fill '#f7d156' -draw 'polygon 0.5,7.5 15.5,7.5 14.5,13.5 0.5,13.5'
# 2 page with a small application window
draw "$icons/tree2.png" "${page[@]}" \
  -fill white -stroke '#1f4f9a' -draw 'rectangle 4.5,6.5 11.5,13.5' \
  -fill '#1f4f9a' -stroke none -draw 'rectangle 5,7 11,8'
# 3 program emblem
cp "$here/keplo-16.png" "$icons/tree3.png"
# 4 picture page with pencil: a landscape and a yellow pencil
draw "$icons/tree4.png" "${page[@]}" \
  -stroke none -fill '#7cc0f0' -draw 'rectangle 4,5 11,11' \
  -fill '#3c9a3c' -draw 'polygon 4,11 7,7 9,9 11,8 11,11' \
  -fill '#f2c230' -stroke '#8a6510' -draw 'polygon 9.5,15.5 15.5,9.5 14.5,8.5 8.5,14.5' \
  -fill '#333333' -stroke none -draw 'point 8,15'
# 5 picture page with pencil, second drawing: a sun over a mountain and a red pencil
draw "$icons/tree5.png" "${page[@]}" \
  -stroke none -fill '#fbe7a6' -draw 'rectangle 4,4 11,12' \
  -fill '#e98a17' -draw 'circle 9,6 10,7' \
  -fill '#8a5a2b' -draw 'polygon 4,12 6,8 8,12' \
  -fill '#d83a2a' -stroke '#6e1a12' -draw 'polygon 0.5,13.5 6.5,7.5 7.5,8.5 1.5,14.5' \
  -fill '#333333' -stroke none -draw 'point 0,15'
# 6 brushes in a cup
draw "$icons/tree6.png" \
  -stroke '#7a4a1c' -strokewidth 1 -draw 'line 5,8 3,1' -draw 'line 8,8 8,0' -draw 'line 11,8 13,2' \
  -stroke none -fill '#d83a2a' -draw 'rectangle 2,0 4,2' \
  -fill '#2f6fd0' -draw 'rectangle 7,0 9,1' \
  -fill '#3c9a3c' -draw 'rectangle 12,1 14,3' \
  -fill '#a8b4c0' -stroke '#4a5560' -draw 'polygon 3.5,7.5 12.5,7.5 11.5,15.5 4.5,15.5'
# 7 media page with a play arrow
draw "$icons/tree7.png" "${page[@]}" \
  -fill '#2a9a4a' -stroke '#145224' -draw 'polygon 5.5,5.5 11.5,9.5 5.5,13.5'
# 8 text page
draw "$icons/tree8.png" "${page[@]}" \
  -stroke '#5a6a80' -draw 'line 4,5 9,5' -draw 'line 4,7 11,7' -draw 'line 4,9 11,9' \
  -draw 'line 4,11 11,11' -draw 'line 4,13 9,13'

# Pelterbox's emblem: the ring with a "P" on a dark red ground.
emblem 16 "$skins/pelterbox-16.png" P '#7a1f2b'
emblem 32 "$skins/pelterbox-32.png" P '#7a1f2b'
emblem 48 "$skins/pelterbox-48.png" P '#7a1f2b'

# The Extract button: a skin archive (a box with a zipper down its front) and a
# green arrow carrying a skin out of it; drawn at 32 and scaled to 16.
convert -size 32x32 xc:none \
  -fill '#c98a2e' -stroke '#6b4512' -strokewidth 1 -draw 'polygon 3.5,11.5 19.5,11.5 19.5,29.5 3.5,29.5' \
  -fill '#e6b25a' -draw 'polygon 3.5,11.5 7.5,6.5 23.5,6.5 19.5,11.5' \
  -fill '#a86d1f' -draw 'polygon 19.5,11.5 23.5,6.5 23.5,24.5 19.5,29.5' \
  -stroke '#4a300c' -draw 'line 11.5,12 11.5,28' \
  -stroke none -fill '#f2e2b8' -draw 'rectangle 10,14 13,15' -draw 'rectangle 10,18 13,19' \
  -draw 'rectangle 10,22 13,23' \
  -fill '#2f9a3f' -stroke '#145224' -draw 'polygon 22.5,13.5 26.5,13.5 26.5,20.5 30.5,20.5 24.5,28.5 18.5,20.5 22.5,20.5' \
  "PNG32:$skins/extract-32.png"
convert "$skins/extract-32.png" -resize 16x16 "PNG32:$skins/extract-16.png"
