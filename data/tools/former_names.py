#!/usr/bin/env python3
"""Derives former_names.tsv from the yearly division lists as yescallop/areacodes transcribes them.

    python3 data/tools/former_names.py result.csv data/regions.tsv [--diff 2024-2025.diff ...] \\
        > data/former_names.tsv

result.csv holds every code of the Ministry of Civil Affairs lists since 1980 with its years of use and
the codes its area went to; a diff file (areacodes' diff/ folder) adds the changes of a year that
result.csv does not hold yet. data/README.md ("former_names.tsv") states the rules this follows. Run by
hand when the lists move on; the converter checks the result against regions.tsv.
"""
import argparse
import collections
import csv
import re
import sys

SINCE = 2000
SOURCE_RESULT = 'areacodes result.csv'

# code, province, prefecture (直辖 for none), name, level (省级/地级/县级), status (在用/变更/弃用),
# first year, first year no longer listed, codes it went to (';', with [year] for earlier moves)
CODE, PROVINCE, PREFECTURE, NAME, LEVEL, STATUS, START, END, NEW = range(9)


def stem(name):
    for suffix in ('地区', '市', '县', '区', '盟', '自治州'):
        if name.endswith(suffix) and len(name) - len(suffix) >= 2:
            return name[:-len(suffix)]
    return name


class Lists:
    def __init__(self, result_path, diffs):
        with open(result_path, encoding='utf-8-sig') as f:
            self.records = [r for r in csv.reader(f)][1:]
        self.source = {}
        for path in diffs:
            self.apply_diff(path)
        self.current = {r[CODE]: r for r in self.records if r[STATUS] == '在用'}
        self.by_code = collections.defaultdict(list)
        self.first_year = {}
        for r in self.records:
            self.by_code[r[CODE]].append(r)
            self.first_year[r[CODE]] = min(self.first_year.get(r[CODE], 9999), int(r[START]))

    def apply_diff(self, path):
        """Applies the - and + lines of an areacodes diff file named FROM-TO.diff."""
        year = re.search(r'(\d{4})\.diff$', path).group(1)
        source = 'areacodes diff/' + re.search(r'(\d{4}-\d{4}\.diff)$', path).group(1)
        lines = [l.rstrip('\n') for l in open(path, encoding='utf-8')]
        current = {r[CODE]: r for r in self.records if r[STATUS] == '在用'}
        added = {}
        for line in lines:
            m = re.match(r'\+(\d{6}) (\S+?)(?:<.*)?$', line)
            if m:
                code, name = m.groups()
                parent = current.get(code[:4] + '00')
                province = current[code[:2] + '0000'][NAME]
                prefecture = parent[NAME] if parent and code[4:] != '00' else '直辖'
                level = '地级' if code.endswith('00') else '县级'
                record = [code, province, prefecture, name, level, '在用', year, '', '']
                self.records.append(record)
                added[name] = code
        for line in lines:
            m = re.match(r'-(\d{6}) (\S+?)>(.*)$', line)
            if not m:
                continue
            code, name, successors = m.groups()
            record = current[code]
            codes = []
            for successor in successors.split(','):
                if successor in added:
                    codes.append(added[successor])
                    continue
                same = [c for c, r in current.items() if r[NAME] == successor and c[:2] == code[:2]]
                codes.append(sorted(same, key=lambda c: c[:4] != code[:4])[0])
            record[STATUS], record[END], record[NEW] = '弃用', year, ';'.join(codes)
            self.source[id(record)] = source

    def successors(self, r):
        """The codes r's area went to when r ended (moves of earlier years left out)."""
        out = []
        for token in filter(None, r[NEW].split(';')):
            code, year = re.match(r'(\d{6})(?:\[(\d+)\])?$', token).groups()
            if not year or int(year) == int(r[END]):
                out.append(code)
        return out

    def today(self, code, year, depth=0):
        """The codes of today that the code in use right after year stands for."""
        if code in self.current and int(self.current[code][START]) <= year:
            return [code]
        records = [r for r in self.by_code[code]
                   if int(r[START]) <= year and (r[STATUS] == '在用' or int(r[END]) > year)]
        records = records or [r for r in self.by_code[code] if int(r[START]) >= year]
        if not records or depth > 8:
            return []
        r = min(records, key=lambda r: int(r[START]))
        if r[STATUS] == '在用':
            return [code]
        codes = self.successors(r)
        if not codes and r[LEVEL] != '县级':
            for child in self.records:
                if (child[CODE][:4] == code[:4] and child[CODE] != code and child[LEVEL] == '县级'
                        and child[STATUS] != '在用' and child[END] == r[END]):
                    codes += self.successors(child)
        out = []
        for c in codes:
            out += [x for x in self.today(c, int(r[END]), depth + 1) if x not in out]
        return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('result')
    parser.add_argument('regions')
    parser.add_argument('--diff', action='append', default=[])
    args = parser.parse_args()
    lists = Lists(args.result, args.diff)

    ours = {}  # division code -> (province, prefecture, county) of regions.tsv
    with open(args.regions, encoding='utf-8') as f:
        for line in list(f)[1:]:
            fields = line.rstrip('\n').split('\t')
            if fields[5]:
                ours[fields[5]] = tuple(fields[:3])

    def prefecture_of(code):
        province, prefecture, _ = ours[code]
        return next((c for c, v in ours.items() if v == (province, prefecture, '')), None)

    out = []
    for r in lists.records:
        if r[STATUS] == '在用' or int(r[END]) < SINCE:
            continue
        year = int(r[END])
        renamed_in_place = r[STATUS] == '变更' and r[CODE] in lists.current
        if renamed_in_place and lists.current[r[CODE]][NAME] == r[NAME]:
            continue  # only its prefecture was renamed
        if renamed_in_place:
            codes = [r[CODE]]
        else:
            codes = lists.successors(r)
            if not codes and r[LEVEL] != '县级':  # a prefecture: its counties' successors
                for child in lists.records:
                    if (child[CODE][:4] == r[CODE][:4] and child[CODE] != r[CODE] and child[LEVEL] == '县级'
                            and child[STATUS] != '在用' and child[END] == r[END] and child[PREFECTURE] == r[NAME]):
                        codes += [c for c in lists.successors(child) if c not in codes]
        successors = []
        for c in codes:
            successors += [x for x in lists.today(c, year) if x not in successors]
        missing = [c for c in successors if c not in ours]
        if not successors or missing:
            sys.exit(f'{r[CODE]} {r[NAME]}: no successor in regions.tsv ({missing})')

        level = 'prefecture' if r[LEVEL] == '地级' else 'county'
        change = None
        if renamed_in_place:
            main_code = r[CODE]
        elif level == 'prefecture':
            prefectures = []
            for c in successors:
                p = prefecture_of(c) or c
                if p not in prefectures:
                    prefectures.append(p)
            same_stem = [c for c in successors if stem(ours[c][2]) == stem(r[NAME])]
            if len(prefectures) == 1 and ours[prefectures[0]][1].startswith(stem(r[NAME])):
                main_code = prefectures[0]
                successors = [main_code]
                change = 'renamed' if int(lists.current[main_code][START]) >= year else 'merged'
            elif len(prefectures) == 1 and int(lists.current[prefectures[0]][START]) >= year:
                main_code = prefectures[0]
                successors = [main_code]
                change = 'renamed'
            elif len(prefectures) == 1:
                main_code = same_stem[0] if same_stem else prefectures[0]
                change = 'merged'
            else:
                counts = collections.Counter(prefecture_of(c) for c in successors)
                main_code = same_stem[0] if same_stem else counts.most_common(1)[0][0]
                successors = [main_code] + [p for p, _ in counts.most_common() if p != main_code]
                change = 'split'
        else:
            same_stem = [c for c in successors if stem(ours[c][2] or ours[c][1]) == stem(r[NAME])]
            main_code = same_stem[0] if same_stem else successors[0]
        successors = [main_code] + [c for c in successors if c != main_code]

        if level == 'county' and len(successors) == 1 and ours[main_code][2] == r[NAME]:
            # Kept its name: a change of its own only when it went to another prefecture than the one
            # its old prefecture became.
            old = [o for o in out if o['level'] == 'prefecture' and o['name'] == r[PREFECTURE]
                   and o['province'] == r[PROVINCE]]
            became = old[-1]['codes'][0] if old else None
            if r[PREFECTURE] == '直辖' or became == prefecture_of(main_code) or ours[main_code][1] == r[PREFECTURE]:
                continue
            change = 'moved'
        elif change is None:
            if len(successors) > 1:
                change = 'split'
            elif stem(ours[main_code][2] or ours[main_code][1]) == stem(r[NAME]):
                change = 'renamed'
            elif main_code == r[CODE] or (lists.first_year[main_code] == year and sum(
                    1 for q in lists.records if q[STATUS] != '在用' and q[END] == r[END] and main_code in q[NEW]) <= 1):
                change = 'renamed'
            else:
                change = 'merged'
        out.append(dict(province=r[PROVINCE], prefecture='' if r[PREFECTURE] in ('直辖', r[NAME]) else r[PREFECTURE],
                        name=r[NAME], code=r[CODE], level=level, listed=f'{r[START]}-{year - 1}', year=year,
                        change=change, codes=successors, source=lists.source.get(id(r), SOURCE_RESULT)))

    municipalities = {'北京市': '北京', '天津市': '天津', '上海市': '上海', '重庆市': '重庆'}
    print('province\tprefecture\tname\tdivision_code\tlevel\tlisted\tchange\tnow\tsuccessor_codes\tsource')
    for o in sorted(out, key=lambda o: (o['code'][:2], o['year'], o['code'])):
        _, prefecture, county = ours[o['codes'][0]]
        print('\t'.join([municipalities.get(o['province'], o['province']), o['prefecture'], o['name'], o['code'],
                         o['level'], o['listed'], o['change'], prefecture + county, ';'.join(o['codes']),
                         o['source']]))


if __name__ == '__main__':
    main()
