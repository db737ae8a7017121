#!/usr/bin/env bash
# The command-line tool on real files.
set -u
fail=0
check() { if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$3], got [$2]"; fail=1; fi; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

check version "$("$TOOL" --version)" "tunevault-tool 2.01"

printf 'Titel\tInterpret\t\r\na\tb\t\r\nc\td\t\r\ne\r\n' > "$dir/L.TSV"
check list "$("$TOOL" list "$dir/L.TSV")" "3 rows, 2 columns"

"$TOOL" list "$dir/missing.TSV" 2>/dev/null
check missing-exit $? 1
"$TOOL" bogus >/dev/null 2>&1
check usage-exit $? 2
exit $fail
