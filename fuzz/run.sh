#!/usr/bin/env bash
# Builds every libFuzzer target fuzz/*_fuzz.cpp with clang++ (fuzzer, address and undefined
# sanitizers) and runs each for SECONDS (default 60). Corpora live in fuzz/corpus-<target>/
# (not committed); they start from the example tables and a few expressions.
#   fuzz/run.sh 300        five minutes per target
#   fuzz/run.sh 60 table   only targets whose name contains "table"
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
only=${2:-}
out=build-fuzz
mkdir -p "$out"

flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -D_FILE_OFFSET_BITS=64 -Isrc)
# The whole common layer (it has no Qt): the engine and the index use several of its helpers.
mapfile -t common < <(find src/common -name '*.cpp' | sort)
mapfile -t engine < <(find src/dbf -name '*.cpp' | sort)

# Seeds for the expression target: the kinds of text the engine meets.
seed_expressions() {
  local dir=$1 i=0
  for e in 'checkno>=1000' 'ACCOUNTNR+STR(CHECKNO,10)' 'DTOS(DATE)' 'UPPER(NAME)="SMITH"' \
           '.NOT. DELETED() .AND. AMOUNT > 0' 'IIF(PAID,"Y","N")+SUBSTR(NAME,2,3)' \
           'CTOD("03/15/2024")+1' 'VAL(LEFT(ACCOUNTNR,3))*2**3' '"AB  "-"CD" $ NAME'; do
    printf '%s' "$e" > "$dir/seed$((i++))"
  done
}

for source in fuzz/*_fuzz.cpp; do
  name=$(basename "$source" .cpp)
  [[ -n "$only" && "$name" != *"$only"* ]] && continue
  echo "== building $name"
  clang++ "${flags[@]}" "$source" "${engine[@]}" "${common[@]}" -o "$out/$name"
  corpus=fuzz/corpus-$name
  if [ ! -d "$corpus" ]; then
    mkdir -p "$corpus"
    case "$name" in
      table_fuzz) cp tests/dbf/data/*.dbf "$corpus/" ;;
      expression_fuzz) seed_expressions "$corpus" ;;
      *) [ -d "fuzz/seeds-$name" ] && cp "fuzz/seeds-$name"/* "$corpus/" ;;
    esac
  fi
  echo "== running $name for $seconds s"
  "$out/$name" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
done
