#!/usr/bin/env bash
# Renders the pictures that are made from a source: the application icon in
# the desktop's sizes from dist/linux/icons/zephyn.svg (the 64-pixel one is
# also the window's icon) and the QR code of the maker's home page. The
# results are kept in the repository; run this after changing either source.
# Needs rsvg-convert (librsvg2-bin) and qrencode.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
icons="$root/dist/linux/icons"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$icons/zephyn.svg" -o "$icons/zephyn-$size.png"
done
cp "$icons/zephyn-64.png" "$root/src/resources/images/icon138.png"

home=$(sed -n 's/.*kMakerHomePage = "\(.*\)";/\1/p' "$root/src/resources/maker_info.h")
qrencode -l L -s 3 -m 4 -o "$root/src/resources/images/bitmap130.png" "$home"
