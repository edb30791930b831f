#!/usr/bin/env bash
# Every program and library of the release, in the program folder and in the
# portable zip, both installers and the MSI package carry an intact
# Authenticode signature of the build's certificate.
#   release-signatures.sh <build folder> <version>
# The chain is checked against VX_SIGN_CA when given (a customer release),
# else against the test certificate tools/sign.sh made.
set -euo pipefail
build=$1
version=$2
repo=$(cd "$(dirname "$0")/../.." && pwd)
ca=${VX_SIGN_CA:-$(bash "$repo/tools/sign.sh" --test-certificate)}
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT

files=()
while read -r name; do
  case $name in *.exe | *.dll) files+=("$build/program/$name") ;; esac
done <"$build/packaging/shipped.txt"
files+=("$build/program/VXR500Emu.exe"
        "$build/release/VXR500UtilitySetup-$version.exe"
        "$build/release/VXR500Utility-$version.msi")
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
  "$build/release/VXR500Utility-$version-portable.zip" "$unpacked"
while IFS= read -r -d '' file; do
  files+=("$file")
done < <(find "$unpacked" \( -name '*.exe' -o -name '*.dll' \) -print0)

[ ${#files[@]} -ge 20 ] || { echo "only ${#files[@]} files to check: the release is incomplete" >&2; exit 1; }
failed=0
for file in "${files[@]}"; do
  if ! result=$(osslsigncode verify -CAfile "$ca" -in "$file" 2>&1); then
    echo "NOT SIGNED: ${file#"$build"/}" >&2
    grep -iE "no signature|failed|error" <<<"$result" | head -3 >&2 || true
    failed=1
  fi
done
echo "checked ${#files[@]} files"
exit "$failed"
