#!/usr/bin/env bash
# Checks the includes of src/ against the layer order of ARCHITECTURE.md: a file under src/X/
# may include headers of X and of the folders listed above X in that table, nothing below.
# Within a folder, a subfolder (dbf/mdx/) is built on the files around it, so those files may
# not include its headers.
# Prints each include that breaks the order, and each folder the table leaves out; fails if any.
#   tools/check_layers.sh           this repository
#   tools/check_layers.sh FOLDER    another tree with an ARCHITECTURE.md and a src/ (for its test)
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# The folders in the order of the table's rows ("| `src/common/` | ...").
mapfile -t layers < <(sed -n 's/^| `src\/\([a-z0-9_]*\)\/` |.*/\1/p' ARCHITECTURE.md)
if [ ${#layers[@]} -eq 0 ]; then
  echo "no layer table found in ARCHITECTURE.md" >&2
  exit 1
fi
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

broken=0
for folder in src/*/; do
  name=$(basename "$folder")
  if [ -z "${rank[$name]+set}" ]; then
    echo "src/$name/ is not in the layer table of ARCHITECTURE.md"
    broken=1
  fi
done

while IFS=: read -r file line text; do
  layer=${file#src/}
  layer=${layer%%/*}
  [ -z "${rank[$layer]+set}" ] && continue  # reported above
  target=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' <<<"$text")
  used=${target%%/*}
  [ "$used" = "$target" ] && continue      # a header beside the file
  [ -z "${rank[$used]+set}" ] && continue  # not one of ours
  if [ "${rank[$used]}" -gt "${rank[$layer]}" ]; then
    echo "$file:$line: $layer includes $target, from $used, listed after $layer in ARCHITECTURE.md"
    broken=1
  fi
  folder=${file#src/}
  folder=${folder%/*}
  if [[ "${target%/*}" == "$folder"/* ]]; then
    echo "$file:$line: $folder includes $target, from its subfolder ${target%/*}"
    broken=1
  fi
done < <(grep -rn --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' src)

exit "$broken"
