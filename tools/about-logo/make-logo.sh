#!/bin/sh
# Draws resources/about_logo.jpg, the picture of the About window: 100 x 100
# pixels, a blue rounded square with a radio sign (a dot under two arcs) over
# the name "T418". Run by hand when the picture should change; the build never
# runs it, it compiles the committed JPEG into the program.
#
#   tools/about-logo/make-logo.sh      (needs ImageMagick's convert; CONVERT=
#                                       and LOGO_FONT= choose others)
#
# The arcs are rings cut to an upward quarter: filled circles, alternately
# white and blue, then everything but the quarter above the dot painted blue
# again (stroked arcs come out closed by a chord in ImageMagick 6).
# The output is a baseline (not progressive) JPEG without metadata, which is
# all the program's decoder is asked to read.
set -eu

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
out="$root/resources/about_logo.jpg"
convert="${CONVERT:-convert}"
font="${LOGO_FONT:-DejaVu-Sans-Bold}"
blue='#1565C0'

# Centre of the sign, and the radii of the two rings (outer edge, inner edge).
cx=50
cy=48
ring() { echo "circle $cx,$cy $cx,$((cy - $1))"; }

"$convert" -size 100x100 xc:white \
  -fill "$blue" -draw 'roundrectangle 4,4 95,95 14,14' \
  -fill white -draw "$(ring 34)" -fill "$blue" -draw "$(ring 28)" \
  -fill white -draw "$(ring 21)" -fill "$blue" -draw "$(ring 15)" \
  -fill "$blue" -draw "polygon $cx,$cy 12,$((cy - cx + 12)) 12,$((cy + 40)) 88,$((cy + 40)) 88,$((cy - cx + 12))" \
  -fill white -draw "circle $cx,$((cy - 2)) $cx,$((cy + 3))" \
  -font "$font" -pointsize 26 -fill white -gravity south -annotate +0+10 'T418' \
  -strip -interlace none -sampling-factor 2x2 -quality 92 \
  "jpeg:$out"
echo "wrote $out"
