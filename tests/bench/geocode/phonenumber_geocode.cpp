// The other side of the batch-geocoding benchmark: libphonenumber's offline geocoder over the same
// lines that telvane-lookup reads. One line of standard input is one number, parsed as dialled in
// China (region "CN") and described in Chinese; one line of standard output per input line:
// the line as read, a tab, the description (empty when the number does not parse, is not valid or
// has no description). Output is collected and written in large blocks, so the geocoder is not
// measured against a slow writer.
#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>
#include <unicode/locid.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberOfflineGeocoder;
using i18n::phonenumbers::PhoneNumberUtil;

constexpr std::size_t kFlushAt = 1 << 16;

bool Flush(std::string& out) {
    const bool ok = std::fwrite(out.data(), 1, out.size(), stdout) == out.size();
    out.clear();
    return ok;
}

}  // namespace

int main() {
    std::ios::sync_with_stdio(false);
    const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    const PhoneNumberOfflineGeocoder geocoder;
    const icu::Locale chinese("zh", "CN");

    std::string line;
    std::string out;
    out.reserve(kFlushAt + 4096);
    PhoneNumber number;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out += line;
        out += '\t';
        number.Clear();
        if (util.Parse(line, "CN", &number) == PhoneNumberUtil::NO_PARSING_ERROR) {
            out += geocoder.GetDescriptionForNumber(number, chinese);
        }
        out += '\n';
        if (out.size() >= kFlushAt && !Flush(out)) return 2;
    }
    if (!Flush(out) || std::fflush(stdout) != 0) return 2;
    return 0;
}
