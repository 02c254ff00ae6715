# Sourced by the bench scripts: the Wine set-up, the shared corpus script and
# the host tools both need, checked once. Sets root, wine_run and
# corpus_script.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine_run=$root/scripts/wine-run.sh
export PF_WINEPREFIX=${PF_WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=-all

corpus_script=
for c in "$root/../shared/bench/make_corpus.py" "$root/../../shared/bench/make_corpus.py"; do
  [ -f "$c" ] && { corpus_script=$c; break; }
done
[ -n "$corpus_script" ] || { echo "bench: make_corpus.py not found in ../shared/bench" >&2; exit 1; }
command -v 7zz >/dev/null || { echo "bench: 7zz missing (Debian package 7zip)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench: /usr/bin/time missing (Debian package time)" >&2; exit 1; }
