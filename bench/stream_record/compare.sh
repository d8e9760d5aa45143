#!/usr/bin/env bash
# compare.sh DIR_A DIR_B
#
# Compares two records made by record.sh byte for byte. Exit 0 when every
# file is the same in both and neither has a file the other lacks; otherwise
# shows the differences (unified diff, binary files named) and exits 1.

set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 DIR_A DIR_B" >&2
    exit 2
fi
for d in "$1" "$2"; do
    if [ ! -f "$d/record.txt" ]; then
        echo "compare: $d is not a record (no record.txt)" >&2
        exit 2
    fi
done

if diff -r -u "$1" "$2"; then
    echo "compare: equal ($(find "$1" -type f | wc -l) files)"
    exit 0
fi
echo "compare: DIFFERENT" >&2
exit 1
