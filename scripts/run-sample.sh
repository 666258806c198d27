#!/usr/bin/env bash
# The main job on the bundled sample: KANVO detects the code of a Japanese
# text and converts it to UTF-8 for this terminal, then to EUC-JP with LF
# line breaks in a file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build KANVO tvsh >/dev/null

echo "== KANVO samples/kanvo-sample.txt (code detected, shown as UTF-8)"
build/bin/KANVO samples/kanvo-sample.txt
# Inside tvsh, relative names resolve against the published folder; the
# answer "y" lets KANVO replace the result of an earlier run. From a script,
# folders are separated with "/": a backslash is for tvsh's prompt only.
out=build/sample-euc.txt
echo
echo "== tvsh KANVO /O EUC /N LF samples/kanvo-sample.txt build/sample-euc.txt"
echo y | build/bin/tvsh KANVO /O EUC /N LF samples/kanvo-sample.txt build/sample-euc.txt
echo "wrote $(wc -c < "$out") bytes of EUC-JP; KANVO shows them again:"
build/bin/KANVO "$out"
