#!/bin/sh
# Writes the largest directory the data file's limits admit in practice, for the benchmarks:
# - a province list that fills its 2,047 bytes with 409 names of 4 bytes (two GBK characters, the
#   second always 省) and their commas, 2,045 bytes in all;
# - for each province a section that fills the 16,384-byte key list with names of 6 bytes (one GBK
#   character and four digits): 2,340 keys, 16,381 bytes with their terminators and the final one;
# - every value a four-digit area code starting with 0 and a six-digit postcode, so a fuzzy search
#   for 0 matches each of the 957,060 entries.
# About 19 MB, CR LF line ends.
#
#   tests/bench/format_limit.sh OUTPUT
set -eu

[ $# -eq 1 ] || { echo "usage: $0 OUTPUT" >&2; exit 2; }

LC_ALL=C awk -v provinces=409 -v keys=2340 '
function gbk(i) { return sprintf("%c%c", 176 + int(i / 94), 161 + i % 94) }
BEGIN {
    shi = sprintf("%c%c", 202, 161)  # 省
    printf "[lei]\r\nsel="
    for (p = 0; p < provinces; p++) printf "%s%s,", gbk(p), shi
    printf "\r\n"
    for (p = 0; p < provinces; p++) {
        printf "[%s%s]\r\n", gbk(p), shi
        region = gbk(1000 + p % 2000)
        for (k = 0; k < keys; k++) {
            printf "%s%04d=0%03d-%06d\r\n", region, k, (p * 7 + k) % 1000, (p * 2340 + k * 13) % 1000000
        }
    }
}' >"$1"
