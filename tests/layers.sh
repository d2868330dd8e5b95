#!/usr/bin/env bash
# Draws which folder of src/ includes which, from the top layer, and fails if an include points up a layer or a
# portable layer includes <windows.h>. A folder may include its own layer's others and any layer below.
set -euo pipefail
cd "$(dirname "$0")/../src"
layers=(app ui win32 "fix winsock namefiles" port)
portable=" fix winsock namefiles port "
status=0
for ((i = 0; i < ${#layers[@]}; i++)); do
    below=$(printf '%s ' "${layers[@]:i}")
    for folder in ${layers[i]}; do
        used=$(grep -rhoE '#include "[a-z0-9]+/' "$folder" | sed 's/#include "//; s#/##' | sort -u | grep -vx "$folder" | tr '\n' ' ' || true)
        echo "$folder -> ${used:-nothing}"
        for target in $used; do
            [[ " $below " == *" $target "* ]] || { echo "  up a layer: $folder includes $target"; status=1; }
        done
        if [[ "$portable" == *" $folder "* ]] && grep -rlq '<windows.h>' "$folder"; then
            echo "  $folder is portable but includes <windows.h>"
            status=1
        fi
    done
done
exit $status
