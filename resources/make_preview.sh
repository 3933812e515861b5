#!/bin/sh
# Draws the preview picture (bitmap 173): a pendulum clock under a night sky, 152 x 112, 24-bit.
set -e
cd "$(dirname "$0")"
convert -size 152x112 gradient:'#0a1030-#1c2550' \
  -fill '#e8e0b0' -draw 'circle 128,20 128,30' -fill '#1c2550' -draw 'circle 133,17 133,26' \
  -fill '#5a3a1c' -draw 'rectangle 56,8 96,108' -fill '#3c2612' -draw 'rectangle 60,12 92,104' \
  -fill '#f0e6c8' -draw 'circle 76,34 76,50' -stroke '#202020' -strokewidth 2 \
  -draw 'line 76,34 76,22' -draw 'line 76,34 86,38' \
  -stroke '#c8a040' -strokewidth 2 -draw 'line 76,56 70,88' -fill '#c8a040' -stroke none \
  -draw 'circle 70,90 70,96' \
  -fill '#c0c8ff' -draw 'point 20,15' -draw 'point 40,30' -draw 'point 12,60' \
  -draw 'point 110,50' -draw 'point 140,70' \
  -type TrueColor BMP3:preview.bmp
