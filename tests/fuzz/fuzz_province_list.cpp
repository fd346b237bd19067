// ParseProvinceList over arbitrary bytes. The names, each followed by a comma, give back the text up
// to and including its last comma; no name holds a comma; a text without a comma gives no names.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "directory/directory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view list(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> names = telvane::ParseProvinceList(list);

    std::string joined;
    for (const std::string& name : names) {
        FUZZ_CHECK(name.find(',') == std::string::npos);
        joined += name;
        joined += ',';
    }
    const std::size_t lastComma = list.rfind(',');
    FUZZ_CHECK(joined == (lastComma == std::string_view::npos ? "" : list.substr(0, lastComma + 1)));
    return 0;
}
