#ifndef CORE_STRINGDIVIDER_H
#define CORE_STRINGDIVIDER_H

#include <string>
#include <vector>

// Cuts a string into words at a set of delimiter characters; empty words are dropped.
class StringDivider
{
public:
    StringDivider() = default;

    void entry(char iDelimiter);
    // With no delimiters the whole string is the only word (none when it is empty).
    std::vector<std::string> divide(const std::string& iText) const;

private:
    std::string mDelimiters; // each character once
};

// Self-test of the divider; true when all six cases pass.
bool TEST_StringDivider();

#endif
