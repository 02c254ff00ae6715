#!/usr/bin/env bash
# Packages a program folder with its own packforge-cli.exe (run under Wine in
# that build tree's prefix): the folder travels as one 7z archive that the
# agent unpacks into the folder the user chooses, then starts the wizard.
#
# usage: make-setup.sh BUILD_TREE OUT_DIR NAME
#        writes OUT_DIR/NAME.exe from BUILD_TREE/bin
set -euo pipefail
tree=$(cd "${1:?usage: make-setup.sh BUILD_TREE OUT_DIR NAME}" && pwd)
mkdir -p "${2:?}"
out=$(cd "$2" && pwd)
name=${3:?}
here=$(cd "$(dirname "$0")/.." && pwd)
bin=$tree/bin
for f in Packforge.exe packforge-cli.exe SelfExtractor.exe Client7z.dll 7z.dll ZPK_ICON.ico \
  "ZPK USer Manual/Home.html"; do
  [ -f "$bin/$f" ] || { echo "make-setup: $bin/$f is missing; build $tree first" >&2; exit 1; }
done
version=$(sed -n 's/^#define PF_VERSION_STRING "\(.*\)"$/\1/p' "$tree/generated/packforge_version.h")

work=$(mktemp -d /tmp/pf-setup.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The program folder, subfolders included: a package's own entries are
# plain file names, an archive it unpacks may hold folders. No time stamps,
# so the same folder gives the same archive.
(cd "$bin" && 7zz a -t7z -mx9 -mtm- -mtc- -mta- -bso0 -bsp0 "$work/Packforge.7z" .)
win() { printf 'Z:%s' "${1//\//\\}"; }
"$tree/wine-env.sh" "$here/scripts/wine-run.sh" "$bin/packforge-cli.exe" \
  -o "$(win "$out")" -n "$name" --extract-to ask --run Packforge.exe \
  --title "Packforge $version" \
  --message "Packforge $version will be extracted into the folder you choose; the wizard starts when it is done." \
  "$(win "$work/Packforge.7z")" >"$work/cli.log" 2>&1 || {
  cat "$work/cli.log" >&2
  echo "make-setup: packforge-cli.exe failed" >&2
  exit 1
}
echo "make-setup: $out/$name.exe"
