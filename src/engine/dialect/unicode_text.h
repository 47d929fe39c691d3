#pragma once
// Characters of UTF-8 texts for the dialect's text functions: lengths, positions and case count
// characters, not bytes.

#include <string>
#include <string_view>

namespace nrx::dialect {

// Decodes UTF-8 into code points. A byte that is not part of a valid sequence becomes
// U+DC80..U+DCFF, which EncodeUtf8 turns back into that byte, so no text is ever damaged.
std::u32string DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u32string_view text);

// Case mapping for the Latin, Greek and Cyrillic letters job data holds; others map to
// themselves.
char32_t ToLower(char32_t c);
char32_t ToUpper(char32_t c);

}  // namespace nrx::dialect
