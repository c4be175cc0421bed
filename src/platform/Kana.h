#pragma once
// Character widths in CP932 texts: the reading as the カナ field keeps it (half-width
// katakana, the form the kana index, the letter jumps and the sort compare), what counts
// as kana when a reading is taken from a typed name, and full-width digits typed where
// the program reads ASCII.

#include <string>
#include <string_view>

namespace nrt::platform {

// Hiragana and full-width katakana as half-width katakana: a voiced or semi-voiced kana
// becomes two characters (ガ → ｶﾞ, ヴ → ｳﾞ), small kana stay small where half-width has
// them (ヮ, ヵ, ヶ have no small form: ﾜ, ｶ, ｹ), ー becomes ｰ, the full-width space a
// space, and 、。「」・゛゜ their half-width forms. Everything else (kanji, letters,
// half-width text) is kept as it is. The result is never longer in bytes.
std::string HalfWidthReading(std::string_view text);

// The reverse for text other programs read: half-width katakana (with their sound
// marks joined: ｶﾞ → ガ) and 、。「」・ｰ ﾞ ﾟ as full-width forms;
// everything else as it is.
std::string FullWidthKatakana(std::string_view text);

// True when `text` holds something HalfWidthReading would change.
bool NeedsHalfWidthReading(std::string_view text);

// True when `text` is not empty and every character is kana of either width, the long
// vowel mark, a sound mark or a kana iteration mark.
bool IsAllKana(std::string_view text);

// Full-width digits ０…９, letters Ａ…Ｚ ａ…ｚ and "／" as their ASCII forms; everything
// else as it is.
std::string NarrowAlphanumerics(std::string_view text);

} // namespace nrt::platform
