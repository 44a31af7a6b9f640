#!/usr/bin/env bash
# MD5 throughput of GetStreamMd5 (md5_bench.exe under Wine) against the
# host's md5sum on the same file, in one run. Best of three each, from a warm
# page cache.
#   bash bench/app/md5_throughput.sh [build-dir] [size-MiB]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
size_mib=${2:-1024}
exe=$build/bench/app/md5_bench.exe
file=${QUORVEL_BENCH_FILE:-$build/bench/app/md5_bench.bin}
bytes=$((size_mib * 1024 * 1024))
runs=3

calc() { awk "BEGIN { print $1 }"; }

[ -f "$exe" ] || { echo "build first: $exe is missing" >&2; exit 1; }
if [ "$(stat -c %s "$file" 2>/dev/null || echo 0)" != "$bytes" ]; then
  echo "writing $size_mib MiB to $file"
  { seq 1 400000000 || true; } | head -c "$bytes" > "$file.tmp"
  mv "$file.tmp" "$file"
fi
cat "$file" > /dev/null

best_native=
for _ in $(seq $runs); do
  start=$(date +%s.%N)
  native_digest=$(md5sum < "$file" | cut -d' ' -f1)
  end=$(date +%s.%N)
  t=$(calc "$end - $start")
  if [ -z "$best_native" ] || [ "$(calc "$t < $best_native")" = 1 ]; then best_native=$t; fi
done

export QUORVEL_WINEPREFIX=$build/wineprefix
windows_file="Z:${file//\//\\}"
start=$(date +%s.%N)
read -r wine_digest wine_size wine_seconds _ < <("$root/scripts/wine-run.sh" "$exe" "$windows_file" $runs | tr -d '\r')
end=$(date +%s.%N)

native_mibs=$(calc "$size_mib / $best_native")
wine_mibs=$(calc "$size_mib / $wine_seconds")
printf 'file           %s (%d bytes)\n' "$file" "$bytes"
printf 'md5sum         %s  %.3f s  %7.1f MiB/s\n' "$native_digest" "$best_native" "$native_mibs"
printf 'GetStreamMd5   %s  %.3f s  %7.1f MiB/s  (Wine, in process)\n' "$wine_digest" "$wine_seconds" "$wine_mibs"
printf 'wine run       %.3f s for %d hashes, start-up included\n' "$(calc "$end - $start")" "$runs"
printf 'ratio          %.3f of md5sum (goal: at least 0.9)\n' "$(calc "$wine_mibs / $native_mibs")"
if [ "$wine_digest" != "$native_digest" ] || [ "$wine_size" != "$bytes" ]; then
  echo "MISMATCH: digests or sizes differ" >&2
  exit 1
fi
