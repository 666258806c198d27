#!/bin/sh
# lint_man_pages.sh GROFF MANDOC LEXGROG PAGE...
# Fails on any message about a page. groff formats for a UTF-8 terminal, as
# man does there (its PostScript device has no Japanese glyphs); MANDOC and
# LEXGROG may be empty when those programs are not installed.
groff=$1 mandoc=$2 lexgrog=$3
shift 3
failed=0
for page in "$@"; do
  out=$("$groff" -k -man -Tutf8 -ww -z "$page" 2>&1)
  if [ -n "$mandoc" ]; then
    more=$("$mandoc" -Tlint -W warning "$page" 2>&1)
    [ -n "$more" ] && out="${out:+$out
}$more"
  fi
  if [ -n "$lexgrog" ] && ! "$lexgrog" "$page" >/dev/null 2>&1; then
    out="${out:+$out
}lexgrog finds no NAME section"
  fi
  if [ -n "$out" ]; then
    printf '%s:\n%s\n' "$page" "$out"
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "$# pages lint clean"
exit $failed
