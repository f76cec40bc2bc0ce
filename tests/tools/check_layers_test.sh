#!/usr/bin/env bash
# The layer check on small trees: one that keeps the order passes; an include against the order,
# and a folder missing from the table, each fail with a line naming them.
set -euo pipefail
script="$1"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

mkdir -p "$tree/src/low" "$tree/src/high"
cat >"$tree/ARCHITECTURE.md" <<'TABLE'
| Folder | What |
|---|---|
| `src/low/` | below |
| `src/high/` | above |
TABLE
printf '#include "low/a.h"\n#include <vector>\n#include "beside.h"\n' >"$tree/src/high/b.cpp"
printf '#include "low/c.h"\n' >"$tree/src/low/a.cpp"
"$script" "$tree" >"$tree/out" || { echo "a tree in order was refused:"; cat "$tree/out"; exit 1; }

printf '#include "high/b.h"\n' >"$tree/src/low/d.h"
if "$script" "$tree" >"$tree/out"; then echo "an include against the order passed"; exit 1; fi
grep -q '^src/low/d.h:1: low includes high/b.h' "$tree/out" || { cat "$tree/out"; exit 1; }
rm "$tree/src/low/d.h"

mkdir "$tree/src/stray"
if "$script" "$tree" >"$tree/out"; then echo "a folder missing from the table passed"; exit 1; fi
grep -q '^src/stray/ is not in the layer table' "$tree/out" || { cat "$tree/out"; exit 1; }
echo "ok"
