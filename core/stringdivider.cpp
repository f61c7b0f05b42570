#include "stringdivider.h"

void StringDivider::entry(char iDelimiter)
{
    if (mDelimiters.find(iDelimiter) == std::string::npos)
        mDelimiters += iDelimiter;
}

std::vector<std::string> StringDivider::divide(const std::string& iText) const
{
    std::vector<std::string> words;
    std::size_t begin = 0;
    while (begin < iText.size()) {
        std::size_t end = iText.find_first_of(mDelimiters, begin);
        if (end == std::string::npos)
            end = iText.size();
        if (end > begin)
            words.emplace_back(iText, begin, end - begin);
        begin = end + 1;
    }
    return words;
}

namespace {

bool FL_check(const std::string& iDelimiters, const std::string& iText, const std::vector<std::string>& iWords)
{
    StringDivider divider;
    for (char c : iDelimiters)
        divider.entry(c);
    return divider.divide(iText) == iWords;
}

} // namespace

bool TEST_StringDivider()
{
    const std::vector<std::string> test = {"t", "e", "s", "t"};
    return FL_check(" ", "t e s t", test) && FL_check(" ", "t  e s t", test) && FL_check(" ,", "t e,s t", test) &&
           FL_check(" ,", "t es t", {"t", "es", "t"}) && FL_check(".", ".t.e.s.t.", test) &&
           FL_check(" ,.", "It's test string. The Dividing Key are 'space', 'comma', and 'period'.",
                    {"It's", "test", "string", "The", "Dividing", "Key", "are", "'space'", "'comma'", "and",
                     "'period'"});
}
