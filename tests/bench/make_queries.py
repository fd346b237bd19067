#!/usr/bin/env python3
"""Writes the queries of the batch benchmark of telvane-lookup, one a line, to standard output.

    make_queries.py TESMAR_INI KIND [COUNT] [SEED]

KIND is names (the region names of the directory, each standing for the few rows whose names hold
it), area_codes or postcodes (the codes of the directory's rows). Each is drawn at random, with the
seed, from the rows of the provinces in the province list; the same file, COUNT and SEED always give
the same lines. Fixed-line numbers come from geocode/make_numbers.py.
"""

import random
import sys

DEFAULT_COUNT = 100_000
DEFAULT_SEED = 15


def rows(path):
    """(region, area code, postcode) of every listed province's keys, as the command reads them."""
    text = open(path, "rb").read().decode("gbk", errors="replace")
    sections, current, provinces = {}, None, []
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("["):
            current = line[1:line.index("]")] if "]" in line else line[1:]
            sections.setdefault(current, [])
        elif current is not None and "=" in line and not line.startswith(";"):
            key, value = (part.strip() for part in line.split("=", 1))
            if current == "lei" and key == "sel":
                provinces = value.split(",")[:-1]
            area, _, post = value.partition("-") if "-" in value else ("", "", value)
            sections[current].append((key, area, post))
    return [row for province in provinces for row in sections.get(province, [])]


def main():
    path, kind = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else DEFAULT_COUNT
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else DEFAULT_SEED
    column = {"names": 0, "area_codes": 1, "postcodes": 2}[kind]
    values = [row[column] for row in rows(path) if row[column]]
    rng = random.Random(seed)
    sys.stdout.writelines(rng.choice(values) + "\n" for _ in range(count))


if __name__ == "__main__":
    main()
