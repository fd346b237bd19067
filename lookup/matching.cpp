#include "lookup.h"

namespace telvane {

bool FuzzyMatch(std::string_view typed, std::string_view field) {
    return !typed.empty() && field.find(typed) != std::string_view::npos;
}

bool CriterionMet(std::string_view typed, std::string_view field, MatchMode mode) {
    if (typed.empty()) return false;
    return mode == mmExact ? typed == field : FuzzyMatch(typed, field);
}

int FilledCount(const SearchCriteria& criteria) {
    return (criteria.areaCode.empty() ? 0 : 1) + (criteria.postcode.empty() ? 0 : 1);
}

bool RowQualifies(const SearchCriteria& criteria, std::string_view areaCode, std::string_view postcode) {
    const int met = (CriterionMet(criteria.areaCode, areaCode, criteria.mode) ? 1 : 0) +
                    (CriterionMet(criteria.postcode, postcode, criteria.mode) ? 1 : 0);
    return met == FilledCount(criteria);
}

}  // namespace telvane
