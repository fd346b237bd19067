#!/usr/bin/env python3
"""The classes agreement.py sorts numbers into, over the shipped region table.

    python3 tests/bench/geocode/agreement_test.py
"""

import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True
import agreement  # noqa: E402

REGIONS = os.path.join(HERE, "..", "..", "..", "data", "regions.tsv")


class ClassifyTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.directory = agreement.Directory(REGIONS)

    def test_classes(self):
        # (province, region, area code of telvane-lookup's row), libphonenumber's description, class
        cases = [
            (("江苏省", "苏州市", "0512"), "江苏省苏州市", "same: as written"),
            (("北京", "北京市", "010"), "北京市", "same: as written"),
            (("内蒙古自治区", "呼和浩特市", "0471"), "内蒙古呼和浩特市", "same: as written"),
            (("湖北省", "仙桃市", "0728"), "湖北省仙桃市", "same: as written"),
            (("青海省", "格尔木市", "0979"), "青海省海西蒙古族藏族自治州", "same: as written"),
            (("山西省", "阳泉市城区", "0353"), "山西省阳泉市", "same: as written"),
            (("吉林省", "四平市", "0434"), "吉林省四平市", "same: as written"),
            (("吉林省", "公主岭市", "0434"), "吉林省四平市", "same: moved"),
            (("西藏自治区", "那曲市", "0896"), "西藏那曲地区", "same: renamed"),
            (("山东省", "莱芜区", "0634"), "山东省莱芜市", "same: abolished"),
            (("广东省", "佛山市", "0757"), "广东省顺德市", "same: county"),
            (("辽宁省", "沈阳市", "024"), "辽宁省沈阳市、铁岭市、抚顺市", "same: several places"),
            (("湖北省", "襄阳市", "0710"), "湖北省襄樊市、襄樊市", "same: several places"),
            (("广西壮族自治区", "贵港市", "0775"), "广西玉林市", "differ: shared code"),
            (("新疆维吾尔自治区", "沙湾市", "0993"), "新疆石河子市", "differ: shared code"),
            (("西藏自治区", "那曲市", "0896"), "西藏拉萨市", "differ: other prefecture"),
            (("西藏自治区", "那曲市", "0896"), "西藏", "differ: province only"),
            (("西藏自治区", "那曲市", "0896"), "青海省西宁市", "differ: other province"),
            (("西藏自治区", "那曲市", "0896"), "西藏某地", "differ: unknown place"),
            (("西藏自治区", "那曲市", "0896"), "中国", "differ: unknown place"),
            (("", "", ""), "西藏拉萨市", "differ: no row"),
        ]
        for (province, region, code), description, expected in cases:
            with self.subTest(region=region, description=description):
                record = ["query", province, region, code, ""]
                kind, _ = agreement.classify(self.directory, record, description)
                self.assertEqual(kind, expected)


if __name__ == "__main__":
    unittest.main()
