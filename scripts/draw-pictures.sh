#!/usr/bin/env bash
# Draws the program's nine built-in pictures into ui/pictures/ and its icon
# for the desktop (16, 32, 48 and 128 pixels) into packaging/icons/.
# ImageMagick draws them with the DejaVu fonts and reduces their colours;
# gif_writer.py writes each GIF with the exact version, size of colour table
# and transparent index the windows are laid out for. The pictures are kept
# in git; run this only to change one.
#   usage: draw-pictures.sh [--icons-only] [PICTURE-DIR [ICON-DIR]]
#   needs: imagemagick fonts-dejavu-core python3
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
version=$(kodexa_version)
icons_only=0
if [ "${1:-}" = --icons-only ]; then
    icons_only=1
    shift
fi
out=${1:-$here/../ui/pictures}
icon_out=${2:-$here/../packaging/icons}
mkdir -p "$out" "$icon_out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fonts=/usr/share/fonts/truetype/dejavu
sans=$fonts/DejaVuSans.ttf
bold=$fonts/DejaVuSans-Bold.ttf
serif_bold=$fonts/DejaVuSerif-Bold.ttf
for font in "$sans" "$bold" "$serif_bold"; do
    [ -r "$font" ] || { echo "draw-pictures: $font missing (apt-get install fonts-dejavu-core)" >&2; exit 1; }
done
IM=${IM:-convert}

# reduce NAME COLOURS [dither]: picture NAME.png -> NAME.ppm with at most COLOURS colours
reduce() {
    local dither=+dither
    [ "${3:-}" = dither ] && dither="-dither FloydSteinberg"
    # shellcheck disable=SC2086
    $IM "$work/$1.png" -alpha off $dither -colors "$2" -depth 8 "ppm:$work/$1.ppm"
}
gif() { python3 "$here/gif_writer.py" "$work/$1.ppm" "$out/$1.gif" "${@:2}"; }

# The vendor's emblem: a blue disc with a white ring and a T.
emblem() {  # emblem SIZE OUT.png
    local s=$1 r=$(( $1 / 2 - 1 ))
    $IM -size "${s}x${s}" xc:none -fill '#2b5d9c' -draw "circle $((s / 2)),$((s / 2)) $((s / 2)),1" \
        -fill none -stroke white -strokewidth $(( s / 16 + 1 )) -draw "circle $((s / 2)),$((s / 2)) $((s / 2)),$(( s / 6 ))" \
        -stroke none -fill white -font "$serif_bold" -pointsize $(( r + 4 )) -gravity center -annotate +0+1 T \
        "$2"
}

# --- the desktop icon: a catalogue sheet under a magnifier -----------------
# Drawn large and scaled down for 128, 48 and 32 pixels; at 16 pixels the
# title would be a smudge, so that size is drawn pixel by pixel without it.
# No time stamps in the files, so that a new run repeats them byte for byte.
png_out() { echo "-strip -depth 8 -define png:exclude-chunks=date,time $1"; }
draw_icons() {
    $IM -size 256x256 xc:none \
        -fill '#00000030' -draw 'roundrectangle 40,20 212,246 14,14' \
        -fill white -stroke '#3a4a60' -strokewidth 6 -draw 'roundrectangle 34,12 206,238 14,14' \
        -stroke none -fill '#2b5d9c' -draw 'roundrectangle 37,15 203,82 11,11' -draw 'rectangle 37,60 203,82' \
        -font "$bold" -pointsize 50 -fill white -gravity north -annotate -10+22 'ICD' +gravity \
        -stroke '#8a97a8' -strokewidth 10 -draw 'line 62,112 178,112' -draw 'line 62,140 178,140' \
        -draw 'line 62,168 120,168' -draw 'line 62,196 110,196' \
        -fill '#cfe4f7c0' -stroke '#1f3550' -strokewidth 14 -draw 'circle 168,172 168,122' \
        -stroke '#6b4a22' -strokewidth 24 -draw 'line 206,212 238,244' \
        "$work/icon256.png"
    local size
    for size in 128 48 32; do
        # shellcheck disable=SC2046
        $IM "$work/icon256.png" -filter Lanczos -resize "${size}x${size}" $(png_out "$icon_out/kodexa-$size.png")
    done
    # shellcheck disable=SC2046
    $IM -size 16x16 xc:none +antialias -fill white -stroke '#3a4a60' -draw 'rectangle 2,0 13,15' \
        -stroke none -fill '#2b5d9c' -draw 'rectangle 3,1 12,4' \
        -fill '#8a97a8' -draw 'line 4,7 10,7' -draw 'line 4,9 8,9' -draw 'line 4,11 7,11' \
        -fill '#cfe4f7' -stroke '#1f3550' -draw 'circle 10,10 10,7' \
        -stroke '#6b4a22' -draw 'line 12,12 15,15' -draw 'line 13,12 15,14' $(png_out "$icon_out/kodexa-16.png")
    for size in 16 32 48 128; do
        printf '%-14s %s\n' "kodexa-$size" "$(identify -format '%wx%h %[channels]' "$icon_out/kodexa-$size.png") $(stat -c %s "$icon_out/kodexa-$size.png") bytes"
    done
}
draw_icons
[ "$icons_only" = 1 ] && exit 0

# --- splash: sky with clouds, the names, three lines at the foot ----------
$IM -size 480x308 gradient:'#1d4f9a-#8fbbe8' "$work/sky.png"
$IM -size 480x308 -seed 7 plasma:fractal -blur 0x6 -colorspace gray -level 52%,92% "$work/clouds.png"
$IM "$work/sky.png" \( -size 480x308 xc:white \) "$work/clouds.png" -composite \
    -font "$serif_bold" -pointsize 64 -fill '#3a3f48' -gravity north -annotate +3+33 'Taviron' \
    -fill '#d4d7dc' -annotate +0+30 'Taviron' \
    -pointsize 54 -fill '#3a3f48' -annotate +3+115 "Kodexa $version" -fill '#c9ccd2' -annotate +0+112 "Kodexa $version" \
    -font "$sans" -pointsize 12 -fill white -gravity south \
    -annotate +0+44 '© 2003 Taviron' -annotate +0+27 'www.taviron.example.com' \
    -annotate +0+10 'kodexa@taviron.example.com' "$work/splash.png"
reduce splash 256 dither
gif splash --version 89a --table 256

# --- side strip: blue-grey to white, emblem, names upwards ----------------
emblem 64 "$work/emblem64.png"
# label: takes the gravity in force for its text, hence +gravity before each.
$IM -size 150x376 gradient:'#5d7391-#ffffff' \
    "$work/emblem64.png" -gravity north -geometry +0+18 -composite \
    +gravity \( -background none -font "$bold" -pointsize 30 -fill '#1f3f6e' label:'Taviron' -rotate -90 \) \
    -gravity southwest -geometry +30+18 -composite \
    +gravity \( -background none -font "$sans" -pointsize 26 -fill '#23344d' label:'Kodexa' -rotate -90 \) \
    -gravity southwest -geometry +80+18 -composite "$work/side.png"
reduce side 256 dither
gif side --version 89a --table 256

# --- tips: black text on white, line for line ------------------------------
$IM -size 400x300 xc:white -fill black -font "$bold" -pointsize 15 -annotate +12+30 'Wussten Sie schon ... ?' \
    -font "$sans" -pointsize 12 \
    -annotate +12+66 'Mit der rechten Maustaste aktivieren Sie ein Kontextmenü,' \
    -annotate +12+84 'mit dessen Hilfe Sie den Code, den Text oder beide' \
    -annotate +12+102 'in die Zwischenablage kopieren können, um diese dann' \
    -annotate +12+120 'in ein anderes Programm einzufügen.' \
    -annotate +12+156 'Mit STRG + C können Sie ebenfalls den Code eines' \
    -annotate +12+174 'markierten Eintrages in die Zwischenablage kopieren.' "$work/tips.png"
reduce tips 13
gif tips --version 89a --table 256

# --- about: emblem, word mark, product lines, source of the data ----------
emblem 72 "$work/emblem72.png"
# A neutral mark for the data source: a grey sheet with lines, nobody's logo.
$IM -size 28x34 xc:none -fill '#e8ebef' -stroke '#59626e' -draw 'rectangle 1,1 26,32' \
    -stroke '#8a939e' -draw 'line 6,9 21,9' -draw 'line 6,15 21,15' -draw 'line 6,21 21,21' -draw 'line 6,27 16,27' \
    "$work/source.png"
$IM -size 400x300 xc:white "$work/emblem72.png" -gravity northwest -geometry +16+14 -composite \
    -font "$serif_bold" -pointsize 34 -fill '#2b5d9c' -gravity northeast -annotate +18+30 'Taviron' \
    -gravity north -font "$bold" -pointsize 17 -fill black -annotate +0+104 "Kodexa   Version $version" \
    -font "$sans" -pointsize 12 -annotate +0+134 '© 2003 Taviron' \
    -annotate +0+152 'kodexa@taviron.example.com' -annotate +0+170 'www.taviron.example.com' \
    -gravity northwest -annotate +16+222 'basierend auf den Daten des' \
    "$work/source.png" -geometry +16+244 -composite \
    -font "$bold" -pointsize 12 -annotate +52+248 'Bundesinstituts für Arzneimittel' \
    -annotate +52+264 'und Medizinprodukte' "$work/about.png"
reduce about 256
gif about --version 89a --table 256

# --- search icon: a magnifier on white, white being transparent -----------
$IM -size 20x16 xc:white -fill '#cfe4f7' -stroke '#1f3550' -strokewidth 1.5 -draw 'circle 7.5,6.5 7.5,1.5' \
    -stroke '#6b4a22' -strokewidth 3 -draw 'line 11.5,10.5 16.5,14.5' "$work/search.png"
reduce search 24
gif search --version 89a --table 256 --transparent 57 --transparent-colour 255,255,255

# --- 16 x 16 icons, eight colours each -------------------------------------
$IM -size 16x16 xc:'#c8d0dc' +antialias -fill '#e0b000' -stroke '#5a4300' \
    -draw 'polygon 1,3 6,3 7,4 14,4 14,13 1,13' -stroke none -fill '#f8d848' -draw 'rectangle 2,6 13,12' \
    "$work/folder_closed.png"
reduce folder_closed 8
gif folder_closed --version 87a --table 8

$IM -size 16x16 xc:'#c8d0dc' +antialias -fill '#c89800' -stroke '#5a4300' \
    -draw 'polygon 1,3 6,3 7,4 13,4 13,7 1,7' -draw 'rectangle 1,6 12,13' \
    -fill '#f8d848' -draw 'polygon 4,7 15,7 12,13 1,13' "$work/folder_open.png"
reduce folder_open 8
gif folder_open --version 87a --table 8

$IM -size 16x16 xc:'#b4b4b4' +antialias -fill white -stroke '#303030' \
    -draw 'polygon 3,1 10,1 13,4 13,14 3,14' -fill '#d8d8d8' -draw 'polygon 10,1 10,4 13,4' \
    -stroke '#8c8c8c' -draw 'line 5,7 11,7' -draw 'line 5,9 11,9' -draw 'line 5,11 9,11' "$work/page.png"
reduce page 8
gif page --version 87a --table 8

# A code not allowed for coding: the page greyed and struck through in red.
$IM -size 16x16 xc:'#b4b4b4' +antialias -fill '#e4e4e4' -stroke '#707070' \
    -draw 'polygon 3,1 10,1 13,4 13,14 3,14' -fill '#c8c8c8' -draw 'polygon 10,1 10,4 13,4' \
    -stroke '#a0a0a0' -draw 'line 5,7 11,7' -draw 'line 5,9 11,9' -draw 'line 5,11 9,11' \
    -stroke '#d01010' -strokewidth 2 -draw 'line 2,14 14,2' "$work/page_void.png"
reduce page_void 8
gif page_void --version 87a --table 8

for name in splash side tips about search folder_open folder_closed page page_void; do
    printf '%-14s %s\n' "$name" "$(head -c 6 "$out/$name.gif") $(identify -format '%wx%h %k colours' "$out/$name.gif[0]") $(stat -c %s "$out/$name.gif") bytes"
done
