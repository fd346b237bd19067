// FuzzyMatch, CriterionMet, FilledCount and RowQualifies over arbitrary texts, against the rules
// worked out here one byte window at a time. Inputs may copy a typed text into its field, or make the
// field the typed text, so that matches are common and not only found by chance.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "check.h"
#include "lookup/lookup.h"

namespace {

// True when typed equals some window of field; the windows start at every byte.
bool InSomeWindow(std::string_view typed, std::string_view field) {
    if (typed.empty() || typed.size() > field.size()) return false;
    for (std::size_t start = 0; start + typed.size() <= field.size(); ++start) {
        if (std::memcmp(field.data() + start, typed.data(), typed.size()) == 0) return true;
    }
    return false;
}

bool Met(std::string_view typed, std::string_view field, telvane::MatchMode mode) {
    if (typed.empty()) return false;
    return mode == telvane::mmExact ? typed == field : InSomeWindow(typed, field);
}

// How a field is made from the input: as drawn, with the typed text copied in, or as the typed text.
void Shape(std::string& field, const std::string& typed, unsigned how, std::size_t at) {
    if (how == 1) field.insert(at % (field.size() + 1), typed);
    if (how == 2) field = typed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace telvane;
    FuzzedDataProvider input(data, size);
    const auto flags = input.ConsumeIntegral<std::uint8_t>();
    const auto areaAt = input.ConsumeIntegral<std::uint16_t>();
    const auto postAt = input.ConsumeIntegral<std::uint16_t>();
    SearchCriteria criteria;
    criteria.mode = (flags & 1) ? mmFuzzy : mmExact;
    criteria.areaCode = input.ConsumeRandomLengthString();
    criteria.postcode = input.ConsumeRandomLengthString();
    std::string areaCode = input.ConsumeRandomLengthString();
    std::string postcode = input.ConsumeRemainingBytesAsString();
    Shape(areaCode, criteria.areaCode, (flags >> 1) % 3, areaAt);
    Shape(postcode, criteria.postcode, (flags >> 3) % 3, postAt);

    FUZZ_CHECK(FuzzyMatch(criteria.areaCode, areaCode) == InSomeWindow(criteria.areaCode, areaCode));
    FUZZ_CHECK(FuzzyMatch(criteria.postcode, postcode) == InSomeWindow(criteria.postcode, postcode));
    for (const MatchMode mode : {mmExact, mmFuzzy}) {
        FUZZ_CHECK(CriterionMet(criteria.areaCode, areaCode, mode) == Met(criteria.areaCode, areaCode, mode));
        FUZZ_CHECK(CriterionMet(criteria.postcode, postcode, mode) == Met(criteria.postcode, postcode, mode));
    }
    FUZZ_CHECK(FilledCount(criteria) == int{!criteria.areaCode.empty()} + int{!criteria.postcode.empty()});

    const bool areaOk = criteria.areaCode.empty() || Met(criteria.areaCode, areaCode, criteria.mode);
    const bool postOk = criteria.postcode.empty() || Met(criteria.postcode, postcode, criteria.mode);
    FUZZ_CHECK(RowQualifies(criteria, areaCode, postcode) == (areaOk && postOk));
    return 0;
}
