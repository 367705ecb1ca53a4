// The web addresses of a text (see web_addresses.h): one pass that stops at the few characters
// an address can begin with, so that a screen of text without any costs next to nothing.
#include "platform/web_addresses.h"

#include <array>

namespace vt {

namespace {

constexpr std::array<std::u16string_view, 5> kBeginnings = {u"http://", u"https://", u"ftp://", u"mailto:", u"www."};

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool StartsWithFolded(std::u16string_view text, std::size_t at, std::u16string_view lower) {
  if (text.size() - at < lower.size()) return false;
  for (std::size_t i = 0; i < lower.size(); ++i)
    if (AsciiLower(text[at + i]) != lower[i]) return false;
  return true;
}

bool IsSpace(char16_t c) {
  return c <= u' ' || c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
         c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// A letter, digit or underscore: an address begins only where a word does.
bool IsWordCharacter(char16_t c) {
  return (c >= u'0' && c <= u'9') || (AsciiLower(c) >= u'a' && AsciiLower(c) <= u'z') || c == u'_' ||
         (c >= 0xC0 && !IsSpace(c) && !(c >= 0x2000 && c <= 0x2BFF) && !(c >= 0x3000 && c <= 0x303F));
}

bool EndsAddress(char16_t c) { return IsSpace(c) || c == u'<' || c == u'>' || c == u'"'; }

bool IsTrailingPunctuation(char16_t c) { return std::u16string_view(u".,;:!?'\")]").find(c) != std::u16string_view::npos; }

// The length of the address beginning at `at`, or 0.
std::size_t AddressAt(std::u16string_view text, std::size_t at) {
  if (at > 0 && IsWordCharacter(text[at - 1])) return 0;
  for (std::u16string_view beginning : kBeginnings) {
    if (!StartsWithFolded(text, at, beginning)) continue;
    std::size_t end = at + beginning.size();
    if (end >= text.size() || EndsAddress(text[end])) return 0;  // a beginning alone is no address
    while (end < text.size() && !EndsAddress(text[end])) ++end;
    while (end > at && IsTrailingPunctuation(text[end - 1])) --end;
    return end - at;
  }
  return 0;
}

}  // namespace

std::vector<std::pair<int, int>> WebAddressesIn(std::u16string_view text) {
  std::vector<std::pair<int, int>> found;
  for (std::size_t at = 0; at < text.size(); ++at) {
    char16_t c = AsciiLower(text[at]);
    if (c != u'h' && c != u'f' && c != u'm' && c != u'w') continue;
    std::size_t length = AddressAt(text, at);
    if (length == 0) continue;
    found.emplace_back(static_cast<int>(at), static_cast<int>(at + length));
    at += length - 1;
  }
  return found;
}

}  // namespace vt
