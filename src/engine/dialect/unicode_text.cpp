#include "engine/dialect/unicode_text.h"

namespace nrx::dialect {
namespace {

constexpr char32_t kRawByteBase = 0xDC00;

// Length of the sequence a lead byte starts, or 0 for a byte that cannot lead one.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The code point of a complete sequence, or 0xFFFFFFFF when it is malformed or overlong.
char32_t DecodeSequence(std::string_view s, int length) {
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  const auto lead = static_cast<unsigned char>(s[0]);
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0xFFFFFFFF;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < kMin[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFFFFFF;
  return c;
}

// An upper-case letter's lower-case partner, or 0 when c is not an upper-case letter we map.
char32_t LowerPartner(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;                  // Latin-1
  if (c >= 0x100 && c <= 0x137 && c % 2 == 0 && c != 0x130) return c + 1;  // Latin Extended-A
  if (c >= 0x139 && c <= 0x148 && c % 2 == 1) return c + 1;
  if (c >= 0x14A && c <= 0x177 && c % 2 == 0) return c + 1;
  if (c >= 0x179 && c <= 0x17E && c % 2 == 1) return c + 1;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;  // Greek
  if (c >= 0x410 && c <= 0x42F) return c + 32;                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return 0;
}

char32_t UpperPartner(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c >= 0x101 && c <= 0x137 && c % 2 == 1 && c != 0x131) return c - 1;
  if (c >= 0x13A && c <= 0x148 && c % 2 == 0) return c - 1;
  if (c >= 0x14B && c <= 0x177 && c % 2 == 1) return c - 1;
  if (c >= 0x17A && c <= 0x17E && c % 2 == 0) return c - 1;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return 0;
}

}  // namespace

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = SequenceLength(lead);
    char32_t c = 0xFFFFFFFF;
    if (length > 0 && i + length <= text.size()) c = DecodeSequence(text.substr(i), length);
    if (c == 0xFFFFFFFF) {
      out.push_back(kRawByteBase + lead);
      ++i;
    } else {
      out.push_back(c);
      i += length;
    }
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c >= kRawByteBase + 0x80 && c <= kRawByteBase + 0xFF) {
      out.push_back(static_cast<char>(c - kRawByteBase));
    } else if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

char32_t ToLower(char32_t c) {
  const char32_t partner = LowerPartner(c);
  return partner ? partner : c;
}

char32_t ToUpper(char32_t c) {
  const char32_t partner = UpperPartner(c);
  return partner ? partner : c;
}

}  // namespace nrx::dialect
