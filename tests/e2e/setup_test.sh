#!/usr/bin/env bash
# The setup program as make dist writes it, for this tree: extracted
# unattended under Wine into a chosen folder, it must give the program folder
# byte for byte and start the wizard (its run entry); the extracted
# packforge-cli.exe must answer --version with the project's version.
#
# usage: setup_test.sh BUILD_TREE WORK_DIR VERSION     (needs a display)
set -uo pipefail
tree=$(cd "$1" && pwd)
work=$2
version=$3
here=$(cd "$(dirname "$0")/../.." && pwd)
wine_run=$here/scripts/wine-run.sh
remote=$tree/tests/wizard_remote.exe
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
win() { printf 'Z:%s' "${1//\//\\}"; }

"$here/scripts/make-setup.sh" "$tree" "$work" setup || fail "make-setup.sh"
"$wine_run" "$work/setup.exe" /S "/D=$(win "$work/installed")" 2>/dev/null &
agent=$!
# Unattended, the agent waits for its run entry: the wizard must come up.
if ! "$wine_run" "$remote" wait >/dev/null 2>&1; then
  kill "$agent" 2>/dev/null
  fail "the wizard did not start after extraction"
fi
diff -r "$tree/bin" "$work/installed" >"$work/diff.txt" 2>&1 ||
  { "$wine_run" "$remote" close >/dev/null 2>&1; cat "$work/diff.txt" >&2; fail "the extracted folder differs from bin/"; }
said=$("$wine_run" "$work/installed/packforge-cli.exe" --version 2>/dev/null | tr -d '\r')
"$wine_run" "$remote" close >/dev/null 2>&1 || fail "the wizard could not be closed"
wait "$agent"
rc=$?
[ "$said" = "packforge-cli $version" ] || fail "--version said [$said], wanted [packforge-cli $version]"
[ "$rc" -eq 0 ] || fail "setup.exe exit code $rc"
echo "setup extracted $(find "$work/installed" -type f | wc -l) files, started the wizard; $said"
