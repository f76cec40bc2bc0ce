#!/usr/bin/env bash
# Builds the .MDX reader's libFuzzer target with clang++ (fuzzer, address and undefined
# sanitizers) and runs it for SECONDS (default 60), starting from the example indexes.
#   fuzz/run_mdx.sh 600
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build-fuzz
mkdir -p "$out"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -D_FILE_OFFSET_BITS=64 -Isrc)
mapfile -t common < <(find src/common -name '*.cpp' | sort)
mapfile -t engine < <(find src/dbf -name '*.cpp' | sort)
clang++ "${flags[@]}" fuzz/mdx_fuzz.cpp "${engine[@]}" "${common[@]}" -o "$out/mdx_fuzz"
corpus=fuzz/corpus-mdx_fuzz
if [ ! -d "$corpus" ]; then
  mkdir -p "$corpus"
  cp tests/dbf/data/*.mdx "$corpus/"
fi
"$out/mdx_fuzz" -max_total_time="$seconds" -max_len=32768 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
