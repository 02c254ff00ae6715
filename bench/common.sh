# Sourced by the bench scripts: the Wine set-up, the corpus generator and
# the host tools both need, checked once. Sets root, wine_run and
# corpus_script.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine_run=$root/scripts/wine-run.sh
export PF_WINEPREFIX=${PF_WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=-all
# The 64-bit loader itself, so time and memory are the program's own.
[ -x /usr/lib/wine/wine64 ] && export PF_WINE_LOADER=/usr/lib/wine/wine64

corpus_script=$root/bench/make_corpus.py
command -v 7zz >/dev/null || { echo "bench: 7zz missing (Debian package 7zip)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench: /usr/bin/time missing (Debian package time)" >&2; exit 1; }
