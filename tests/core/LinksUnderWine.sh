#!/bin/sh
# vpp.exe beside a link and a pipe of the file system below, which Wine shows as plain files: a ".try"
# left as a link to another file is left alone (the file it leads to too), and a pipe where a member
# is to be extracted is refused without blocking.   usage: LinksUnderWine.sh WINE_RUN VPP_EXE
set -eu
run=$1 vpp=$2 dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
echo victim >victim.txt
echo member >m.txt
"$run" "$vpp" new a.vpp
ln -s victim.txt a.vpp.try
"$run" "$vpp" add a.vpp m.txt
test "$(cat victim.txt)" = victim
test -L a.vpp.try
"$run" "$vpp" list a.vpp | grep -q '^m.txt'
mkdir out
mkfifo out/m.txt
if timeout 60 "$run" "$vpp" extract a.vpp out m.txt 2>err.txt; then exit 1; fi
grep 'a pipe or a device' err.txt
test -p out/m.txt
test "$(ls out)" = m.txt
