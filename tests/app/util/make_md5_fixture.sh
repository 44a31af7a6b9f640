#!/usr/bin/env bash
# Writes the large files of the digest test into $1 with deterministic
# generators and lists their md5sum digests and sizes in $1/digests.txt.
# Kept between runs: only a missing or changed set is made again.
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"

big_size=$((320 * 1024 * 1024 + 7))
sparse_size=$((2 * 1024 * 1024 * 1024 + 4099))

size_of() { stat -c %s "$1" 2>/dev/null || echo 0; }

if [ -f digests.txt ] && [ "$(size_of big.bin)" = "$big_size" ] &&
   [ "$(size_of sparse.bin)" = "$sparse_size" ]; then
  exit 0
fi
rm -f digests.txt big.bin sparse.bin

# Decimal numbers one per line: varied bytes, no period that lines up with blocks.
{ seq 1 60000000 || true; } | head -c "$big_size" > big.tmp
[ "$(size_of big.tmp)" = "$big_size" ]
mv big.tmp big.bin

# 2 GiB of hole, then a tail of real bytes.
truncate -s $((2 * 1024 * 1024 * 1024)) sparse.tmp
head -c 4099 big.bin >> sparse.tmp
mv sparse.tmp sparse.bin

for name in big.bin sparse.bin; do
  echo "$(md5sum < "$name" | cut -d' ' -f1) $(size_of "$name") $name"
done > digests.tmp
mv digests.tmp digests.txt
cat digests.txt
