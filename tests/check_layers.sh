#!/bin/bash
# The layer check: fails when a source of the program includes a header of a
# layer above its own, or a header of the program that belongs to no layer,
# or when a source does not sit in its layer's folder (src/LAYER/; the top
# layer, program start, sits directly in src/).
# The build writes the manifest: the layers lowest first on its first line,
# then "layer path" for every source, the path relative to the source folder.
# Usage: check_layers.sh SOURCE_DIR MANIFEST
set -euo pipefail
src=$(realpath "$1")
manifest=$2

read -r -a layers <"$manifest"
declare -A rank layerOf
for i in "${!layers[@]}"; do
    rank[${layers[$i]}]=$i
done
while read -r layer path; do
    if [[ -z ${rank[$layer]:-} ]]; then
        echo "$path: unknown layer $layer" >&2
        exit 1
    fi
    layerOf[$path]=$layer
done < <(tail -n +2 "$manifest")

top=${layers[${#layers[@]}-1]}
failures=0
for path in "${!layerOf[@]}"; do
    layer=${layerOf[$path]}
    folder=$(dirname "$path")
    if [[ $layer == "$top" && $folder == . ]] || [[ $folder == "$layer" ]]; then
        continue
    fi
    echo "$path belongs to the layer $layer but sits outside src/$layer/"
    failures=$((failures + 1))
done

# The program's file that an include names: beside the includer first, then
# from the source folder; nothing for a header that is not the program's.
resolve() {
    local from=$1 name=$2 candidate
    for candidate in "$(dirname "$src/$from")/$name" "$src/$name"; do
        if [[ -f $candidate ]]; then
            realpath --relative-to="$src" "$candidate"
            return
        fi
    done
}

for path in "${!layerOf[@]}"; do
    own=${layerOf[$path]}
    while IFS=: read -r line name; do
        target=$(resolve "$path" "$name")
        [[ -z $target ]] && continue
        theirs=${layerOf[$target]:-}
        if [[ -z $theirs ]]; then
            echo "$path:$line includes $target, which belongs to no layer"
            failures=$((failures + 1))
        elif ((rank[$theirs] > rank[$own])); then
            echo "$path:$line ($own) includes $target ($theirs), a layer above it"
            failures=$((failures + 1))
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$src/$path" |
        sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done
if ((failures > 0)); then
    echo "$failures source(s) out of their folder or include(s) crossing the layers upwards" >&2
    exit 1
fi
echo "${#layerOf[@]} sources, no include crosses the layers upwards"
