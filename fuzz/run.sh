#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with the fuzz preset (clang++, fuzzer, address and
# undefined sanitizers) into build-fuzz/ and runs each for SECONDS (default 60). Corpora live in
# fuzz/corpus-<target>/ (not committed); they start from the example tables and indexes and a
# few expressions.
#   fuzz/run.sh 300        five minutes per target
#   fuzz/run.sh 60 table   only targets whose name contains "table"
set -euo pipefail
cd "$(dirname "$0")/.."
source cmake/packages.sh
vpp_install_missing clang cmake make
seconds=${1:-60}
only=${2:-}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2
out=build-fuzz/bin

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
  corpus=fuzz/corpus-$name
  max_len=8192
  if [ ! -d "$corpus" ]; then
    mkdir -p "$corpus"
    case "$name" in
      table_fuzz) cp tests/dbf/data/*.dbf "$corpus/" ;;
      mdx_fuzz) cp tests/dbf/data/*.mdx "$corpus/" ;;
      expression_fuzz) seed_expressions "$corpus" ;;
    esac
  fi
  [ "$name" = mdx_fuzz ] && max_len=32768
  echo "== running $name for $seconds s"
  "$out/$name" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
done
