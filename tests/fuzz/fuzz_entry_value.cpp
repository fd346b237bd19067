// SplitEntryValue over arbitrary bytes. With a hyphen in the value, the area code holds none and the
// area code, a hyphen and the postcode give back the value; without one, the area code is empty and
// the postcode is the whole value.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "check.h"
#include "directory/directory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    const telvane::EntryValue split = telvane::SplitEntryValue(value);

    if (value.find('-') == std::string_view::npos) {
        FUZZ_CHECK(split.areaCode.empty());
        FUZZ_CHECK(split.postcode == value);
    } else {
        FUZZ_CHECK(split.areaCode.find('-') == std::string::npos);
        FUZZ_CHECK(split.areaCode + "-" + split.postcode == value);
    }
    return 0;
}
