#!/usr/bin/env bash
# Fails on any #include that points up the layer order, and prints it as file:line:include.
# Layers, lowest first: platform <- core <- bar <- reader <- speech <- app. A file includes headers of
# its own folder and of lower folders only.
set -uo pipefail
cd "$(dirname "$0")/.."
layers=(platform core bar reader speech app)
found=0
for ((i = 0; i < ${#layers[@]} - 1; i++)); do
  higher=$(IFS='|'; echo "${layers[*]:i+1}")
  grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.cc' \
    "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"(\.\./)*($higher)/" "${layers[i]}"
  case $? in
    0) found=1 ;;
    1) ;;
    *) echo "check_layers: cannot read ${layers[i]}/" >&2; exit 2 ;;
  esac
done
if [ "$found" -ne 0 ]; then
  echo "check_layers: the includes above point up the layer order (${layers[*]}, lowest first)" >&2
  exit 1
fi
echo "check_layers: no include points up the layer order"
