#!/usr/bin/env python3
"""Writes the fixed-line numbers of the batch-geocoding benchmark, one a line, to standard output.

    make_numbers.py REGIONS_TSV [COUNT] [SEED]

Every mainland area code of the region table (0 and 2 or 3 digits) gets COUNT / codes numbers, give or
take one, in a shuffled order; the same table, COUNT and SEED always give the same lines.

A local number starts with 2-8 (0 is the trunk prefix, 1 and 9 start service and special numbers) and has
eight digits in the areas listed in EIGHT_DIGITS, seven elsewhere, either in MIXED; the national number
(area code without its 0, then the local number) is then 10 or 11 digits long. Each number is written in
one of three ways people write them, in equal shares: 0512-68001234, +86 512 6800 1234, (0512) 68001234.
"""

import random
import sys

DEFAULT_COUNT = 200_000
DEFAULT_SEED = 12

# Areas whose local numbers have eight digits: every two-digit code, and these three-digit ones. The
# list is the fixed-line numbering plan as libphonenumber 8.12 records it (its CN fixedLine pattern):
# the larger cities that went to eight digits.
EIGHT_DIGITS = {
    "0311", "0371", "0377", "0379", "0411", "0431", "0432", "0451", "0510", "0511", "0512", "0513",
    "0514", "0515", "0516", "0517", "0518", "0519", "0523", "0527", "0531", "0532", "0551", "0571",
    "0573", "0574", "0575", "0576", "0577", "0579", "0591", "0595", "0731", "0755", "0757", "0760",
    "0769", "0791", "0871", "0898",
}
# Areas where both lengths are in use.
MIXED = {"0433", "0435", "0754", "0851"}


def mainland_codes(path):
    codes = set()
    with open(path, encoding="utf-8") as table:
        header = table.readline().rstrip("\n").split("\t")
        column = header.index("area_code")
        for line in table:
            code = line.rstrip("\n").split("\t")[column]
            if code.isdigit() and code[0] == "0" and code[1] != "0" and len(code) in (3, 4):
                codes.add(code)
    return sorted(codes)


def local_length(code, rng):
    if len(code) == 3 or code in EIGHT_DIGITS:
        return 8
    if code in MIXED:
        return rng.choice((7, 8))
    return 7


def written(code, local, form):
    national = code[1:]
    if form == 0:
        return f"{code}-{local}"
    if form == 1:
        split = len(local) - 4
        return f"+86 {national} {local[:split]} {local[split:]}"
    return f"({code}) {local}"


def main(argv):
    if not 2 <= len(argv) <= 4:
        sys.exit("usage: make_numbers.py REGIONS_TSV [COUNT] [SEED]")
    count = int(argv[2]) if len(argv) > 2 else DEFAULT_COUNT
    seed = int(argv[3]) if len(argv) > 3 else DEFAULT_SEED
    codes = mainland_codes(argv[1])
    if not codes:
        sys.exit(f"make_numbers.py: no mainland area code in {argv[1]}")
    rng = random.Random(seed)
    spread = [codes[i % len(codes)] for i in range(count)]
    rng.shuffle(spread)
    lines = []
    for code in spread:
        length = local_length(code, rng)
        local = f"{rng.randint(2, 8)}{rng.randrange(10 ** (length - 1)):0{length - 1}d}"
        lines.append(written(code, local, rng.randrange(3)))
    sys.stdout.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv)
