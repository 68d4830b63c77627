#include "text/unicode.h"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <memory>

namespace dorv::text {
namespace {

std::string toUtf8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

}  // namespace

std::string lowercase(const std::string& s) {
  return toUtf8(icu::UnicodeString::fromUTF8(s).toLower(icu::Locale::getRoot()));
}

bool canonicallyEqual(const std::string& a, const std::string& b) {
  if (a == b) return true;
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status)) return false;
  icu::UnicodeString na = nfd->normalize(icu::UnicodeString::fromUTF8(a), status);
  icu::UnicodeString nb = nfd->normalize(icu::UnicodeString::fromUTF8(b), status);
  return U_SUCCESS(status) && na == nb;
}

std::vector<std::string> graphemes(const std::string& s) {
  std::vector<std::string> out;
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(s);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status)) return out;
  it->setText(u);
  int32_t start = it->first();
  for (int32_t end = it->next(); end != icu::BreakIterator::DONE; start = end, end = it->next())
    out.push_back(toUtf8(u.tempSubStringBetween(start, end)));
  return out;
}

std::string prefix(const std::string& s, size_t n) {
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(s);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status)) return s;
  it->setText(u);
  int32_t end = it->first();
  for (size_t i = 0; i < n; ++i) {
    int32_t next = it->next();
    if (next == icu::BreakIterator::DONE) return s;
    end = next;
  }
  return toUtf8(u.tempSubStringBetween(0, end));
}

std::string trimmed(const std::string& s) {
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(s);
  int32_t start = 0;
  int32_t end = u.length();
  while (start < end && u_isUWhiteSpace(u.char32At(start))) start = u.moveIndex32(start, 1);
  while (end > start) {
    int32_t before = u.moveIndex32(end, -1);
    if (!u_isUWhiteSpace(u.char32At(before))) break;
    end = before;
  }
  return toUtf8(u.tempSubStringBetween(start, end));
}

std::u16string utf16(const std::string& s) {
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(s);
  return std::u16string(reinterpret_cast<const char16_t*>(u.getBuffer()), static_cast<size_t>(u.length()));
}

}  // namespace dorv::text
