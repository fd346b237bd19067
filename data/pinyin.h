// Toneless pinyin as the region tables write it: one syllable per character, lower case, separated by
// single spaces, with ü written as ü ("lü liang shi"); and the readings of characters in Unihan, which
// every syllable is checked against.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace telvane::data {

// The code points of UTF-8 text; false when the text is not well-formed UTF-8.
bool DecodeUtf8(std::string_view text, std::u32string& out);
std::string EncodeUtf8(char32_t c);

// The syllables of a pinyin column, or nothing when it is not a list of syllables made of a-z and ü
// separated by single spaces.
std::vector<std::string> SplitSyllables(std::string_view pinyin);

// A Unihan reading without its tone: "lǜ" -> "lü", "lüè" -> "lüe".
std::string Toneless(std::string_view reading);

// The first letter of each syllable ("su zhou shi" -> "szs"); ü counts as u.
std::string Initials(const std::vector<std::string>& syllables);

// The form a search key takes: the syllables run together with ü as v ("lvliangshi"), or with ü as u
// when uForU is set ("luliangshi").
std::string JoinedKey(const std::vector<std::string>& syllables, bool uForU);

// The Mandarin readings Unihan gives each character, from the fields kMandarin, kHanyuPinyin,
// kHanyuPinlu, kXHC1983 and kTGHZ2013 of Unihan_Readings.txt, without tones.
class Readings {
public:
    // Reads Unihan_Readings.txt; false with a message when it cannot be read or holds no readings.
    bool Load(const std::string& path, std::string& error);
    bool Has(char32_t c, std::string_view syllable) const;
    // The readings of c joined by "/" (for messages); empty when Unihan has none.
    std::string Describe(char32_t c) const;

private:
    std::unordered_map<char32_t, std::vector<std::string>> readings_;
};

// What is wrong with the pinyin of a name (UTF-8): empty when it has one syllable of the right form for
// each character and, when readings is given, each syllable is a reading of its character there.
std::string PinyinProblem(std::string_view name, std::string_view pinyin, const Readings* readings);

// Place names whose reading the dictionaries behind Unihan do not give: the name, its character and
// the syllable it takes there. Empty when name holds no such character.
std::string_view PlaceReadingException(std::string_view name, char32_t c);

}  // namespace telvane::data
