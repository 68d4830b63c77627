#pragma once
// Unicode operations on UTF-8 strings, through ICU.

#include <string>
#include <vector>

namespace dorv::text {

// The full Unicode lowercase mapping (locale-independent).
std::string lowercase(const std::string& s);

// Equal after canonical normalisation (canonically equivalent strings are equal).
bool canonicallyEqual(const std::string& a, const std::string& b);

// The user-perceived characters (extended grapheme clusters), in order.
std::vector<std::string> graphemes(const std::string& s);

// The first n user-perceived characters.
std::string prefix(const std::string& s, size_t n);

// Without Unicode white space and line breaks at either end.
std::string trimmed(const std::string& s);

// The UTF-16 code units of a string.
std::u16string utf16(const std::string& s);

}  // namespace dorv::text
