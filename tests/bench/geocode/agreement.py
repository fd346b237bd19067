#!/usr/bin/env python3
"""Compares, number by number, the prefecture telvane-lookup places a number in with the place
libphonenumber's offline geocoder describes, and sorts every number into a class.

    agreement.py REGIONS_TSV TELVANE_TSV PHONENUMBER_TSV

TELVANE_TSV is `telvane-lookup --tsv` over the numbers (a header, then query, province, region,
area_code, postcode: one record per number); PHONENUMBER_TSV is phonenumber_geocode over the same
numbers (query, description). Exits 1 when the two do not cover the same numbers in the same order.

telvane's prefecture is that of the row it picked (a county-level row belongs to its prefecture;
a unit without one, such as 湖北 仙桃市 or 新疆 石河子市, stands for itself). libphonenumber writes a
province, then one place or several joined by 、 (江苏省苏州市, 辽宁省沈阳市、铁岭市、抚顺市, 北京市);
each place is resolved to today's prefecture: by its name, by RENAMED, by ABOLISHED, or as a county of
the directory (珲春市 -> 延边朝鲜族自治州, 顺德市 -> 佛山市 顺德区). Numbers libphonenumber does not
place (empty description) are counted apart and left out of the share.
"""

import sys
from collections import Counter, defaultdict

# Prefectures under an older name in libphonenumber's data (its Chinese descriptions date from about
# 2011). Renames and upgrades from the Ministry of Civil Affairs' yearly lists of divisions
# (县以上行政区划代码); 株州 is a misspelling in the data.
RENAMED = {
    "襄樊市": "襄阳市",  # 2010
    "思茅市": "普洱市",  # 2007
    "铜仁地区": "铜仁市",  # 2011
    "毕节地区": "毕节市",  # 2011
    "海东地区": "海东市",  # 2013
    "日喀则地区": "日喀则市",  # 2014
    "昌都地区": "昌都市",  # 2014
    "林芝地区": "林芝市",  # 2015
    "吐鲁番地区": "吐鲁番市",  # 2015
    "山南地区": "山南市",  # 2016
    "哈密地区": "哈密市",  # 2016
    "那曲地区": "那曲市",  # 2017
    "株州市": "株洲市",
}

# Prefectures abolished since, with the prefecture their area code's numbers now belong to, and moves
# of a county with its own code to another prefecture. Sources: the yearly division lists and the
# review records in data/review/.
ABOLISHED = {
    # 2011: 巢湖 split among 合肥 (居巢区 as 巢湖市, 庐江县), 芜湖 (无为) and 马鞍山 (和县, 含山);
    # its 0565 went into 0551 (合肥) and 0553 (芜湖). libphonenumber lists it with 合肥 under 0551.
    "巢湖市": "合肥市",
    # 2019: 莱芜 merged into 济南 as 莱芜区 and 钢城区, which still dial 0634.
    "莱芜市": "济南市",
}
# The code 0434 belonged to 四平 alone until 公主岭市 moved to 长春 in 2020 with it: a 0434 number
# that libphonenumber places in 四平 may now lie in 长春.
MOVED = {("0434", "四平市"): "长春市"}

PROVINCE_SUFFIXES = ("维吾尔自治区", "壮族自治区", "回族自治区", "特别行政区", "自治区", "省", "市")


class Directory:
    """The region table: each row's key name and prefecture, and the prefectures of each area code."""

    def __init__(self, path):
        with open(path, encoding="utf-8") as table:
            header = table.readline().rstrip("\n").split("\t")
            rows = [dict(zip(header, line.rstrip("\n").split("\t"))) for line in table if line.strip()]
        self.prefecture_of = {}  # (province, key name) -> prefecture
        self.prefectures = defaultdict(set)  # province -> prefectures (and units without one)
        self.counties = defaultdict(dict)  # province -> county name -> prefecture
        self.code_prefectures = defaultdict(set)  # area code -> (province, prefecture)
        self.municipalities = {}  # 北京市 -> 北京
        count = Counter((row["province"], row["county"]) for row in rows if row["county"])
        for row in rows:
            province, county = row["province"], row["county"]
            prefecture = row["prefecture"] or county
            key = county or prefecture
            if county and row["prefecture"] and count[(province, county)] > 1:
                key = row["prefecture"] + county
            self.prefecture_of[(province, key)] = prefecture
            self.prefectures[province].add(prefecture)
            if county:
                self.counties[province].setdefault(county, prefecture)
            self.code_prefectures[row["area_code"]].add((province, prefecture))
            if not county and prefecture == province + "市":
                self.municipalities[prefecture] = province
        self.aliases = []  # (written form, province), longest first
        for province in self.prefectures:
            self.aliases.append((province, province))
            for suffix in PROVINCE_SUFFIXES:
                if province.endswith(suffix) and len(province) > len(suffix) + 1:
                    self.aliases.append((province[: -len(suffix)], province))
                    break
        self.aliases.sort(key=lambda alias: -len(alias[0]))

    def split_description(self, description):
        """(province, [places]) of a description; places empty for a province alone, province None
        when no province of the directory starts it."""
        if description in self.municipalities:
            return self.municipalities[description], [description]
        for written, province in self.aliases:
            if description.startswith(written):
                rest = description[len(written) :]
                return province, [place for place in rest.split("、") if place]
        return None, []

    def resolve(self, province, place, code):
        """The prefectures a place libphonenumber names may stand for today, each with how it was
        found: [(prefecture, how)], empty when the directory does not know the place."""
        found = []
        if place in self.prefectures[province]:
            found.append((place, "name"))
        elif place in RENAMED and RENAMED[place] in self.prefectures[province]:
            found.append((RENAMED[place], "renamed"))
        elif place in ABOLISHED and ABOLISHED[place] in self.prefectures[province]:
            found.append((ABOLISHED[place], "abolished"))
        else:
            counties = self.counties[province]
            stem = place[:-1] if place[-1] in "市县区" else place
            for name in (place, stem + "区", stem + "市", stem + "县"):
                if name in counties:
                    found.append((counties[name], "county"))
                    break
        if (code, place) in MOVED:
            found.append((MOVED[(code, place)], "moved"))
        return found


def read_tsv(path, fields, header):
    with open(path, encoding="utf-8", newline="\n") as table:
        lines = table.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if header:
        if not lines or lines[0] != header:
            sys.exit(f"{path}: the first line is not the header {header!r}")
        lines = lines[1:]
    records = []
    for number, line in enumerate(lines, 2 if header else 1):
        cells = line.split("\t")
        if len(cells) != fields:
            sys.exit(f"{path}:{number}: {len(cells)} fields, not {fields}")
        records.append(cells)
    return records


CLASS_TEXT = {
    "same: as written": "same prefecture, the same name",
    "same: renamed": "same prefecture under its older name in libphonenumber (RENAMED)",
    "same: several places": "libphonenumber lists several places sharing the code, ours among them",
    "same: abolished": "libphonenumber names a prefecture abolished since, merged into ours (ABOLISHED)",
    "same: moved": "libphonenumber names the prefecture a county with the code has left for ours (MOVED)",
    "same: county": "libphonenumber names a county-level unit of our prefecture",
    "differ: shared code": "different prefecture that dials the same code: the directory's first row "
    "with the code lies in another prefecture than the one libphonenumber names",
    "differ: other prefecture": "different prefecture, the code not shared with it in the directory",
    "differ: province only": "libphonenumber names the province only",
    "differ: other province": "different province",
    "differ: unknown place": "libphonenumber names a place the directory does not know",
    "differ: no row": "telvane-lookup gives no row",
}


def classify(directory, telvane, description):
    province, region, code = telvane[1], telvane[2], telvane[3]
    if not region:
        return "differ: no row", None
    ours = directory.prefecture_of.get((province, region))
    if ours is None:
        sys.exit(f"telvane-lookup's row {province} {region} is not in the region table")
    theirs_province, places = directory.split_description(description)
    if theirs_province is None:
        return "differ: unknown place", f"{code} {description}"
    if theirs_province != province:
        return "differ: other province", f"{code} {description}, ours {province}"
    if not places:
        return "differ: province only", None
    resolved = [directory.resolve(province, place, code) for place in places]
    for candidates in resolved:
        for prefecture, how in candidates:
            if prefecture == ours:
                if len(places) > 1:
                    return "same: several places", f"{code} {description}"
                if how == "name":
                    return "same: as written", None
                return "same: " + how, f"{code} {description} -> {ours}"
    if not resolved[0]:
        return "differ: unknown place", f"{code} {description}"
    first = resolved[0][0][0]
    detail = f"{code} {description}, ours {ours}"
    if (province, first) in directory.code_prefectures[code]:
        return "differ: shared code", detail
    return "differ: other prefecture", detail


def main(argv):
    if len(argv) != 4:
        sys.exit("usage: agreement.py REGIONS_TSV TELVANE_TSV PHONENUMBER_TSV")
    directory = Directory(argv[1])
    telvane = read_tsv(argv[2], 5, "query\tprovince\tregion\tarea_code\tpostcode")
    phonenumber = read_tsv(argv[3], 2, None)
    if len(telvane) != len(phonenumber):
        sys.exit(f"{len(telvane)} records of telvane-lookup, {len(phonenumber)} of libphonenumber")
    classes = Counter()
    details = defaultdict(Counter)
    unplaced = 0
    for ours, theirs in zip(telvane, phonenumber):
        if ours[0] != theirs[0]:
            sys.exit(f"the outputs part at {ours[0]!r} / {theirs[0]!r}")
        if not theirs[1]:
            unplaced += 1
            continue
        kind, detail = classify(directory, ours, theirs[1])
        classes[kind] += 1
        if detail:
            details[kind][detail] += 1
    placed = sum(classes.values())
    same = sum(count for kind, count in classes.items() if kind.startswith("same"))
    print(f"numbers: {len(telvane)}; placed by libphonenumber: {placed}; not placed: {unplaced}")
    print(f"same prefecture: {same} of {placed} = {100.0 * same / max(placed, 1):.2f}%")
    for kind in CLASS_TEXT:
        if classes[kind]:
            print(f"  {classes[kind]:7d}  {kind:26s} {CLASS_TEXT[kind]}")
            for detail, count in sorted(details[kind].items()):
                print(f"  {count:16d}  {detail}")
    shared = classes["differ: shared code"]
    print(
        f"same prefecture or one dialling the same code: {same + shared} of {placed} = "
        f"{100.0 * (same + shared) / max(placed, 1):.2f}%"
    )


if __name__ == "__main__":
    main(sys.argv)
