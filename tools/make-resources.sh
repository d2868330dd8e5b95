#!/usr/bin/env bash
# Draws the program's two pictures from scratch with Debian's tools:
#   resources/banner.jpg   the 545 x 90 banner at the top of the disclaimer
#   resources/resolvo.ico  the application icon, 32 x 32 and 16 x 16, 32-bit with alpha
# Needs ImageMagick 6 (convert), icoutils (icotool) and fonts-dejavu-core.
# Both outputs are committed; run this again only to change the design.
# The same tool versions give byte-identical files (no timestamps or
# metadata are written).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-$root/resources}

fonts=/usr/share/fonts/truetype/dejavu
bold_font=$fonts/DejaVuSans-Bold.ttf
plain_font=$fonts/DejaVuSans.ttf

for tool in convert icotool; do
    command -v "$tool" >/dev/null || { echo "make-resources: $tool is missing (tools/install-deps.sh)" >&2; exit 1; }
done
for font in "$bold_font" "$plain_font"; do
    [ -f "$font" ] || { echo "make-resources: $font is missing (fonts-dejavu-core)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The palette, shared by the icon and the banner.
blue_light='#4a9be8'
blue_dark='#1b4f9c'
green='#2fa84f'

# The icon is drawn on a 256 x 256 canvas and box-filtered down, so that
# edges lying on the target pixel grid stay sharp. The draw commands shift
# by half a pixel because ImageMagick puts pixel centres on whole numbers.
master=256

# A rounded square with a top-to-bottom blue gradient.
tile=$work/tile.png
convert -size ${master}x${master} gradient:"$blue_light"-"$blue_dark" \
    \( -size ${master}x${master} xc:black -fill white \
       -draw "roundrectangle 0,0 $((master - 1)),$((master - 1)) 56,56" \) \
    -alpha off -compose CopyOpacity -composite -compose Over \
    "$tile"

# A geometric bold "R": stem, bowl with a round right side, diagonal leg.
# Each size has its own drawing whose straight edges fall on whole target
# pixels: steps of 8 canvas units for 32 x 32, of 16 for 16 x 16.
letter_32='translate -0.5,-0.5
    path "M 40,48 H 112 A 48,48 0 0 1 112,144 H 72 V 208 H 40 Z
          M 72,80 V 112 H 112 A 16,16 0 0 0 112,80 Z"
    polygon 92,136 128,136 176,208 136,208'
letter_16='translate -0.5,-0.5
    path "M 64,48 H 144 A 48,48 0 0 1 144,144 H 96 V 208 H 64 Z
          M 96,80 V 112 H 144 A 16,16 0 0 0 144,80 Z"
    polygon 112,144 144,144 208,208 176,208'
# A green "done" badge in the lower right corner; too small to read at 16.
badge="translate -0.5,-0.5
    fill '$green' stroke white stroke-width 10 circle 204,204 204,250
    fill none stroke-width 14 stroke-linecap round stroke-linejoin round
    polyline 182,204 198,220 226,188"

convert "$tile" -fill white -draw "$letter_32" -draw "$badge" \
    -filter box -resize 32x32 -depth 8 -strip "$work/icon-32.png"
convert "$tile" -fill white -draw "$letter_16" \
    -filter box -resize 16x16 -depth 8 -strip "$work/icon-16.png"
icotool --create --bit-depth=32 --output="$out/resolvo.ico" \
    "$work/icon-32.png" "$work/icon-16.png"

# The banner: a calm left-to-right blue gradient, faint globe lines on the
# right, the icon at 64 pixels, the product name and a short subtitle.
width=545
height=90
convert "$tile" -fill white -draw "$letter_32" -draw "$badge" \
    -filter box -resize 64x64 -depth 8 "$work/icon-64.png"
convert "$work/icon-64.png" \
    \( +clone -background 'rgba(0,0,0,0.55)' -shadow 50x2+0+2 \) \
    +swap -background none -layers merge +repage "$work/icon-64-shadow.png"

# The name the banner shows, as project() in CMakeLists.txt gives it.
product=$(sed -n 's/^project(\([A-Za-z]*\) VERSION \([0-9]*\)\.\([0-9]*\).*/\1 \2.\3/p' "$(dirname "$0")/../CMakeLists.txt")
globe_x=478
globe_y=45
globe_r=82
globe_chord=71 # half the width of the latitudes at half the radius: r * cos(30 degrees)
convert -size ${height}x${width} gradient:'#1a4785'-'#5fa6e8' -rotate -90 +repage \
    -fill none -stroke 'rgba(255,255,255,0.14)' -strokewidth 2 \
    -draw "circle $globe_x,$globe_y $globe_x,$((globe_y + globe_r))" \
    -draw "ellipse $globe_x,$globe_y $((globe_r * 45 / 100)),$globe_r 0,360" \
    -draw "line $globe_x,$((globe_y - globe_r)) $globe_x,$((globe_y + globe_r))" \
    -draw "ellipse $globe_x,$globe_y $((globe_r * 82 / 100)),$globe_r 0,360" \
    -draw "line $((globe_x - globe_r)),$globe_y $((globe_x + globe_r)),$globe_y" \
    -draw "line $((globe_x - globe_chord)),$((globe_y - globe_r / 2)) $((globe_x + globe_chord)),$((globe_y - globe_r / 2))" \
    -draw "line $((globe_x - globe_chord)),$((globe_y + globe_r / 2)) $((globe_x + globe_chord)),$((globe_y + globe_r / 2))" \
    -stroke none \
    "$work/icon-64-shadow.png" -geometry +16+11 -composite \
    -fill 'rgba(0,0,0,0.25)' -font "$bold_font" -pointsize 36 -annotate +99+52 "$product" \
    -fill white -annotate +98+50 "$product" \
    -fill '#dcebfb' -font "$plain_font" -pointsize 15 -annotate +100+74 'DNS error fix' \
    -strip -sampling-factor 1x1 -quality 92 \
    "$out/banner.jpg"

echo "make-resources: wrote $out/banner.jpg and $out/resolvo.ico"
