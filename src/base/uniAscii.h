// ASCII letter case for names that compare ignoring case: charsets, sections, keys, actions.
#pragma once

#include <string>
#include <string_view>

std::string LowerAscii(std::string_view s);
std::string UpperAscii(std::string_view s);
// Equal ignoring the case of the letters A to Z.
bool SameText(std::string_view a, std::string_view b);
