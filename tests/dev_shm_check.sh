#!/bin/sh
# dev_shm_check.sh record FILE | check FILE
# record: lists /dev/shm before the tests. check: fails when an entry not in
# that list is still there after them. An entry that goes within ten seconds
# belongs to something still running (another copy of the suite), not to a
# leftover.
set -u
mode=$1 list=$2
if [ "$mode" = record ]; then
  ls -A /dev/shm > "$list"
  exit 0
fi
[ -f "$list" ] || { echo "no list from before the tests: $list"; exit 1; }
tries=0
while :; do
  left=$(ls -A /dev/shm | grep -vxF -f "$list")
  [ -z "$left" ] && exit 0
  tries=$((tries + 1))
  if [ "$tries" -ge 10 ]; then
    echo "left in /dev/shm by the tests:"
    echo "$left"
    exit 1
  fi
  sleep 1
done
