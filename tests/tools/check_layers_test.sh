#!/usr/bin/env bash
# The layer check on small trees: one that keeps the order passes; an include against the order,
# an include from a folder into its own subfolder, and a folder missing from the table, each
# fail with a line naming them.
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
mkdir -p "$tree/src/low/sub/deeper"
printf '#include "low/a.h"\n#include "low/sub/e.h"\n' >"$tree/src/low/sub/e.cpp"
printf '#include "low/sub/e.h"\n#include "low/a.h"\n' >"$tree/src/low/sub/deeper/f.cpp"
"$script" "$tree" >"$tree/out" || { echo "a tree in order was refused:"; cat "$tree/out"; exit 1; }

printf '#include "high/b.h"\n' >"$tree/src/low/d.h"
if "$script" "$tree" >"$tree/out"; then echo "an include against the order passed"; exit 1; fi
grep -q '^src/low/d.h:1: low includes high/b.h' "$tree/out" || { cat "$tree/out"; exit 1; }
rm "$tree/src/low/d.h"

for into in '"low/sub/e.h"' '"low/sub/deeper/f.h"'; do
  printf '#include %s\n' "$into" >"$tree/src/low/g.cpp"
  if "$script" "$tree" >"$tree/out"; then echo "an include of $into from low/ passed"; exit 1; fi
  grep -q "^src/low/g.cpp:1: low includes ${into//\"/}, from its subfolder" "$tree/out" ||
    { cat "$tree/out"; exit 1; }
done
printf '#include "low/sub/deeper/f.h"\n' >"$tree/src/low/sub/g.cpp"
if "$script" "$tree" >"$tree/out"; then echo "an include of a deeper folder passed"; exit 1; fi
rm "$tree/src/low/g.cpp" "$tree/src/low/sub/g.cpp"

mkdir "$tree/src/stray"
if "$script" "$tree" >"$tree/out"; then echo "a folder missing from the table passed"; exit 1; fi
grep -q '^src/stray/ is not in the layer table' "$tree/out" || { cat "$tree/out"; exit 1; }
echo "ok"
