#!/usr/bin/env bash
# Draws the program's artwork with ImageMagick: application icon, the operator's logo, the print
# button's icon. Run it from this folder after changing a picture; the PNG files are committed.
set -euo pipefail
cd "$(dirname "$0")"
bold=/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf

# Application icon: a sun over two waves on a dark-red tile, 16 colours at 32 and 16 pixels.
icon() {
    local size=$1 out=$2
    convert -size 64x64 xc:none \
        -fill '#c00000' -draw 'roundrectangle 1,1 62,62 10,10' \
        -fill '#ffd24a' -draw 'circle 32,27 32,13' \
        -fill none -stroke white -strokewidth 5 \
        -draw 'bezier 6,44 16,36 24,52 32,44' -draw 'bezier 32,44 40,36 48,52 58,44' \
        -draw 'bezier 6,55 16,47 24,63 32,55' -draw 'bezier 32,55 40,47 48,63 58,55' \
        -resize "${size}x${size}" -colors 16 "PNG32:$out"
}
icon 32 app-icon-32.png
icon 16 app-icon-16.png

# The operator's logo, 200 x 87: dunes, sea and the town's name.
convert -size 200x87 xc:white \
    -fill '#dceefa' -draw 'rectangle 0,0 199,52' \
    -fill '#ffd24a' -draw 'circle 168,22 168,10' \
    -fill '#e8d49a' -draw 'bezier 0,52 40,30 80,40 120,52' -draw 'polygon 0,52 120,52 0,60' \
    -fill '#2f7fb8' -draw 'rectangle 0,52 199,62' \
    -stroke white -strokewidth 2 -fill none -draw 'bezier 10,57 30,53 50,61 70,57' \
    -draw 'bezier 110,57 130,53 150,61 170,57' -stroke none \
    -fill '#c00000' -font "$bold" -pointsize 17 -annotate +8+80 'Quarnum' \
    -fill '#404040' -font "$bold" -pointsize 8 -annotate +100+72 'Wirtschaftsbetriebe' \
    -annotate +100+82 'DUZE Quarnum GmbH' \
    "PNG24:logo.png"

# The print button: a small printer with a sheet, 16 x 16.
convert -size 16x16 xc:none \
    -fill white -stroke '#404040' -draw 'rectangle 4,1 11,6' \
    -fill '#9a9a9a' -draw 'rectangle 1,6 14,11' \
    -fill white -draw 'rectangle 4,10 11,14' -stroke none \
    -fill '#c00000' -draw 'point 12,8' -draw 'point 13,8' \
    -fill '#404040' -draw 'line 5,12 10,12' \
    "PNG32:print.png"

# The hint windows' icon: a white "i" on a blue disc, 32 x 32, 16 colours.
convert -size 64x64 xc:none \
    -fill '#2f6fb0' -draw 'circle 32,32 32,2' \
    -fill white -draw 'circle 32,17 32,11' -draw 'roundrectangle 27,26 37,54 3,3' \
    -resize 32x32 -colors 16 "PNG32:hint-icon-32.png"

# The splash picture, 520 x 316: sky, dunes and sea with the program's name.
convert -size 520x316 gradient:'#8ec5ec'-'#e6f3fb' \
    -fill '#ffd24a' -draw 'circle 430,70 430,32' \
    -fill '#e8d49a' -draw 'bezier 0,220 140,150 280,190 380,224' -draw 'polygon 0,220 380,224 0,236' \
    -fill '#2f7fb8' -draw 'rectangle 0,224 519,315' \
    -stroke white -strokewidth 3 -fill none \
    -draw 'bezier 20,250 60,240 100,262 140,250' -draw 'bezier 200,270 240,260 280,282 320,270' \
    -draw 'bezier 360,248 400,238 440,260 480,248' -stroke none \
    -fill '#c00000' -font "$bold" -pointsize 44 -annotate +28+88 'Salvenor 2016' \
    -fill '#303030' -font "$bold" -pointsize 16 -annotate +30+118 'Kurbeitragsrechner der Stadt Quarnum' \
    -fill white -font "$bold" -pointsize 13 -annotate +30+300 'Wirtschaftsbetriebe der Stadt DUZE Quarnum GmbH' \
    -annotate +430+300 'Version 6.0.0' \
    "PNG24:splash.png"
mogrify -strip ./*.png

# The desktop's icons, from the SVG drawing, at the usual hicolor sizes.
mkdir -p icons
for size in 16 24 32 48 64 128 256; do
    convert -background none -density 384 salvenor.svg -resize "${size}x${size}" "PNG32:icons/salvenor-$size.png"
done
mogrify -strip icons/*.png
