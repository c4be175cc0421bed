#pragma once
// What the main window's list selects and how: the conditions of the tabs, the print
// condition, the kana index, the detailed extraction, letter-key jumps, zoom widths
// and the title. Plain functions over CP932 texts, so the window only wires them up.

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace nrt::mainlist {

// Field names offered by the search dialog and the detailed extraction; entry 0 is
// "（全項目）" (all fields). The joint names and company lines come last: a book without
// them reads them empty. UTF-8 here, CP932 through SearchFieldName.
inline constexpr std::array<const char*, 27> kSearchFields {
    "（全項目）",
    "名前",
    "カナ",
    "敬称",
    "性別",
    "生年月日",
    "郵便番号",
    "都道府県",
    "住所１",
    "住所２",
    "電話番号",
    "ＦＡＸ",
    "携帯番号",
    "メール",
    "ＨＰ",
    "大分類",
    "小分類",
    "備考１",
    "備考２",
    "更新日",
    "登録日",
    "連名１",
    "連名２",
    "連名３",
    "会社名",
    "部署",
    "役職",
};
const std::string& SearchFieldName(int index);

inline constexpr int kSuffixLimit = 2048; // bytes of the list and print conditions
inline constexpr int kSortLimit = 100; // bytes of the sort order
inline constexpr int kMaxExtractions = 3;

// The tab strip: 0 = all addressees, 1..categories = one per category, and the
// senders' tab last (index categories + 1).
struct TabContext {
    int index = 0;
    int categoryCount = 0;
    std::string caption; // of a category tab
    bool IsSenders() const { return index == categoryCount + 1; }
};

std::string BaseCondition(const TabContext& tab);
// `base` (a chain of terms joined by AND, such as ListCondition or PrintCondition with
// no suffix) and a condition the user typed, taken as one term: no OR of the user's can
// reach past it. The language takes one parenthesis at a time, so instead of wrapping
// the user's text, `base` goes before each of its OR branches:
// "base and b1 or base and b2". An empty `user` gives `base`.
std::string WithUserCondition(std::string_view base, std::string_view user);
std::string ListCondition(const TabContext& tab, std::string_view suffix);
std::string PrintCondition(const TabContext& tab, std::string_view suffix);

// The kana index: tag 1..10 for ア..ワ, 0 for 全て (empty).
std::string KanaSuffix(int tag);

// Letter keys of the list: the first byte of column 2 in this range (inclusive).
struct ByteRange {
    unsigned char from = 0, to = 0;
};
bool LetterRange(int key, ByteRange& range);
// The row (1-based, as the grid counts below its header) that a letter key moves to:
// searched from the row after `current` to `lastRow`, then from 1 to the row before;
// -1 when no row's text starts in the range.
int FindLetterRow(int current, int lastRow, ByteRange range, const std::function<std::string_view(int row)>& column2);

// The detailed extraction.
enum class ExtractError {
    None,
    NoField, // "種類を選択して下さい。" on the field list
    EmptyValue, // "抽出内容を入力して下さい。"
    NoChoice, // "抽出内容を選択して下さい。"
    NoKind, // "種類を選択して下さい。" on the kind list
    TooMany, // "追加抽出は３回までです。クリアして抽出して下さい。"
    AllFieldsAdd, // "全項目での追加抽出は出来ません。"
};
struct ExtractRequest {
    int fieldIndex = -1; // into kSearchFields; -1 none chosen
    std::string value; // the typed text or the chosen list entry (CP932)
    bool valueIsChoice = false; // 小分類 or 性別: a list entry rather than typed text
    int kind = -1; // 0 完全に一致, 1 先頭文字が一致, 2 最後の文字が一致, 3 一致する文字がある
    bool caseSensitive = false;
    bool add = false;
};
// The message text of an error (CP932), empty for None.
const std::string& ExtractMessage(ExtractError e);
// Builds the new suffix and count; `toGregorian` converts a birthday typed in era form.
ExtractError ComposeExtraction(const ExtractRequest& request, std::string& suffix, int& count,
    const std::function<std::string(std::string_view)>& toGregorian);
// The value of a search term: "*" around the text as the match kind asks.
std::string MatchValue(int kind, std::string_view text);
// One term "%s=%s'%s'" and the all-fields group "(a or b …)".
std::string Term(std::string_view field, bool caseSensitive, std::string_view value);
std::string AllFieldsTerm(bool caseSensitive, std::string_view value);

// Zoom: the entries of the zoom list and the column arithmetic.
inline constexpr std::array<int, 13> kZoomRatios { 100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200, 220, 250 };
// Index of the first entry not below `stored`, or -1 (above 250).
int ZoomIndexFor(int stored);
// The width at `newRatio` of a width set at `oldRatio`, truncated once; the same ratio
// gives the width back. Zoomed widths are computed from the width as it was set, never
// from a previous zoomed width.
int RescaleWidth(int width, int oldRatio, int newRatio);
// Design value × ratio / 100, truncated, and at least `minimum`.
int Scaled(int design, int ratio, int minimum = 0);

// "ノルテア（%s）", or "ノルテア" for the main book.
std::string Title(std::string_view userName);

} // namespace nrt::mainlist
