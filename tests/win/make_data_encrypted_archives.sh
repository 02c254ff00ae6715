#!/usr/bin/env bash
# Makes archives whose data is encrypted but whose names are not, with the
# host's 7zz: a 7z (AES-256, header in the clear) and a zip (AES-256). Such
# an archive opens without a password and asks for it only when extracting.
# usage: make_data_encrypted_archives.sh OUT_FOLDER PASSWORD
set -euo pipefail
out=$(cd "$1" && pwd)
password=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'encrypted data, readable name\n' >inside.txt
7zz a -t7z -bso0 -bsp0 "-p$password" -mhe=off data_encrypted.7z inside.txt
7zz a -tzip -bso0 -bsp0 "-p$password" -mem=AES256 data_encrypted.zip inside.txt
mv data_encrypted.7z data_encrypted.zip "$out/"
