# Sourced by the run and fade benchmark commands: make_samples DIR writes three sample
# pictures (JPEG, GIF, BMP) into DIR and sets `pictures` to their paths.
make_samples() {
  local samples=$1 convert=/usr/bin/convert
  mkdir -p "$samples"
  $convert -size 800x600 -seed 7 plasma:fractal -quality 90 JPEG:"$samples/plasma.jpg"
  # GIF87a: the saver shows a GIF whose first block is the image (no extensions before it).
  $convert -size 640x480 gradient:navy-gold -swirl 120 GIF87:"$samples/swirl.gif"
  $convert -size 320x200 pattern:checkerboard -fill crimson -draw 'circle 160,100 160,20' BMP3:"$samples/circle.bmp"
  pictures=("$samples/plasma.jpg" "$samples/swirl.gif" "$samples/circle.bmp")
}
