#!/usr/bin/env bash
# Draws resources/images/busy.gif, the busy indicator of the scan session dialog: 100 x 40,
# ten full frames of 80 ms, a wave running through five dots on a transparent background.
# Needs ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for frame in $(seq 0 9); do
  # Each dot swells as the crest of the wave passes it; the crest crosses all five in ten frames.
  mapfile -t draw < <(awk -v f="$frame" 'BEGIN {
    for (d = 0; d < 5; d++) {
      w = cos(2 * 3.14159265 * (d / 5 - f / 10)); if (w < 0) w = 0
      r = 4 + int(4 * w + 0.5)
      shade = int(200 - 170 * w)
      printf "-fill\nrgb(%d,%d,%d)\n-draw\ncircle %d,20 %d,20\n", shade / 2, shade, 230, 14 + d * 18, 14 + d * 18 + r
    }
  }')
  convert -size 100x40 xc:none "${draw[@]}" "$work/$(printf %02d "$frame").png"
done
convert -dispose Background -delay 8 -loop 0 "$work"/*.png busy.gif
identify busy.gif
