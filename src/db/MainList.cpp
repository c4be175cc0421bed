#include "db/MainList.h"

#include "platform/sjis.h"

#include <vector>

namespace nrt::mainlist {

const std::string& SearchFieldName(int index)
{
    static const auto names = [] {
        std::array<std::string, kSearchFields.size()> n;
        for (std::size_t i = 0; i < n.size(); ++i)
            n[i] = platform::Utf8ToSjis(kSearchFields[i]);
        return n;
    }();
    static const std::string none;
    return index >= 0 && index < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(index)] : none;
}

std::string BaseCondition(const TabContext& tab)
{
    if (tab.IsSenders())
        return SJ("宛名区分='1' ");
    std::string c = SJ("宛名区分='0' ");
    if (tab.index > 0)
        c += SJ("and 大分類='") + tab.caption + "' ";
    return c;
}

std::string WithUserCondition(std::string_view base, std::string_view user)
{
    auto trim = [](std::string_view t) {
        const std::size_t first = t.find_first_not_of(' ');
        if (first == std::string_view::npos)
            return std::string_view();
        return t.substr(first, t.find_last_not_of(' ') + 1 - first);
    };
    base = trim(base);
    user = trim(user);
    if (user.empty())
        return std::string(base);
    // The OR connectors outside quotes and parentheses split the user's text into its
    // branches. Quotes, parentheses and blanks are single bytes that never stand second
    // in a double-byte character, but a name's lead byte takes the next byte with it.
    std::vector<std::string_view> branches;
    std::size_t start = 0;
    int depth = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < user.size();) {
        const char c = user[i];
        if (quoted) {
            quoted = c != '\'';
            ++i;
            continue;
        }
        if (c == '\'') {
            quoted = true;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            depth = depth > 0 ? depth - 1 : 0;
        } else if (c == ' ' && depth == 0 && i + 3 < user.size() && (user[i + 1] == 'o' || user[i + 1] == 'O')
            && (user[i + 2] == 'r' || user[i + 2] == 'R') && user[i + 3] == ' ') {
            branches.push_back(trim(user.substr(start, i - start)));
            start = i + 4;
            i = start;
            continue;
        }
        i += platform::CharLength(user, i);
    }
    branches.push_back(trim(user.substr(start)));
    std::string out;
    for (std::string_view b : branches) {
        if (!out.empty())
            out += " or ";
        out.append(base).append(" and ").append(b);
    }
    return out;
}

std::string ListCondition(const TabContext& tab, std::string_view suffix)
{
    return BaseCondition(tab) + std::string(suffix);
}

std::string PrintCondition(const TabContext& tab, std::string_view suffix)
{
    std::string c = SJ("印字区分='1' ");
    if (tab.IsSenders())
        return c + SJ("and 宛名区分='1' ") + std::string(suffix);
    c += SJ("and 宛名区分='0' ");
    if (tab.index > 0)
        c += SJ("and 大分類='") + tab.caption + "' ";
    return c + std::string(suffix);
}

std::string KanaSuffix(int tag)
{
    // Bounds of the rows ア カ サ タ ナ ハ マ ヤ ラ ワ as half-width katakana bytes.
    static constexpr unsigned char bounds[] = { 177, 182, 187, 192, 197, 202, 207, 212, 215, 220, 221 };
    if (tag < 1 || tag > 10)
        return {};
    const std::string head = SJ(" and カナ>='");
    const std::string mid = SJ("' and カナ<");
    std::string s = head;
    s += static_cast<char>(bounds[tag - 1]);
    s += mid;
    s += tag == 10 ? "='" : "'"; // the last row includes ﾝ itself
    s += static_cast<char>(bounds[tag]);
    s += "'";
    return s;
}

bool LetterRange(int key, ByteRange& range)
{
    struct Entry {
        char letter;
        unsigned char from, to;
    };
    static constexpr Entry table[]
        = { { 'A', 177, 181 }, { 'K', 182, 186 }, { 'S', 187, 191 }, { 'T', 192, 196 }, { 'N', 197, 201 },
              { 'H', 202, 206 }, { 'M', 207, 211 }, { 'Y', 212, 214 }, { 'R', 215, 219 }, { 'W', 220, 221 } };
    if (key >= 'a' && key <= 'z')
        key -= 32;
    for (const Entry& e : table)
        if (e.letter == key) {
            range = { e.from, e.to };
            return true;
        }
    return false;
}

int FindLetterRow(int current, int lastRow, ByteRange range, const std::function<std::string_view(int row)>& column2)
{
    auto matches = [&](int row) {
        std::string_view v = column2(row);
        if (v.empty())
            return false;
        const auto b = static_cast<unsigned char>(v[0]);
        return b >= range.from && b <= range.to;
    };
    for (int row = current + 1; row <= lastRow; ++row)
        if (matches(row))
            return row;
    for (int row = 1; row < current && row <= lastRow; ++row)
        if (matches(row))
            return row;
    return -1;
}

const std::string& ExtractMessage(ExtractError e)
{
    static const std::string none;
    switch (e) {
    case ExtractError::None:
        return none;
    case ExtractError::NoField:
    case ExtractError::NoKind:
        return SJ("種類を選択して下さい。");
    case ExtractError::EmptyValue:
        return SJ("抽出内容を入力して下さい。");
    case ExtractError::NoChoice:
        return SJ("抽出内容を選択して下さい。");
    case ExtractError::TooMany:
        return SJ("追加抽出は３回までです。クリアして抽出して下さい。");
    case ExtractError::AllFieldsAdd:
        return SJ("全項目での追加抽出は出来ません。");
    }
    return none;
}

std::string MatchValue(int kind, std::string_view text)
{
    std::string v;
    if (kind == 2 || kind == 3)
        v += '*';
    v += text;
    if (kind == 1 || kind == 3)
        v += '*';
    return v;
}

std::string Term(std::string_view field, bool caseSensitive, std::string_view value)
{
    // The tail follows the "=": "==" is case-sensitive, "= " not.
    std::string t(field);
    t += '=';
    t += caseSensitive ? '=' : ' ';
    t += '\'';
    t += value;
    t += '\'';
    return t;
}

std::string AllFieldsTerm(bool caseSensitive, std::string_view value)
{
    std::string t = "(";
    for (std::size_t i = 1; i < kSearchFields.size(); ++i) {
        if (i > 1)
            t += " or ";
        t += Term(SearchFieldName(static_cast<int>(i)), caseSensitive, value);
    }
    return t + ")";
}

ExtractError ComposeExtraction(const ExtractRequest& r, std::string& suffix, int& count,
    const std::function<std::string(std::string_view)>& toGregorian)
{
    if (r.fieldIndex < 0 || r.fieldIndex >= static_cast<int>(kSearchFields.size()))
        return ExtractError::NoField;
    const bool all = r.fieldIndex == 0;
    if (r.value.empty())
        return r.valueIsChoice ? ExtractError::NoChoice : ExtractError::EmptyValue;
    if (r.kind < 0 || r.kind > 3)
        return ExtractError::NoKind;
    if (r.add) {
        if (count > kMaxExtractions - 1)
            return ExtractError::TooMany;
        if (all)
            return ExtractError::AllFieldsAdd;
    }
    const std::string& field = SearchFieldName(r.fieldIndex);
    std::string text = r.value;
    if (field == SJ("生年月日") && toGregorian)
        text = toGregorian(text);
    const std::string value = MatchValue(r.kind, text);
    if (all) {
        suffix = " and " + AllFieldsTerm(r.caseSensitive, value);
    } else if (r.add) {
        suffix += " and " + Term(field, r.caseSensitive, value);
        ++count;
    } else {
        suffix = " and " + Term(field, r.caseSensitive, value);
        count = 1;
    }
    return ExtractError::None;
}

int ZoomIndexFor(int stored)
{
    for (std::size_t i = 0; i < kZoomRatios.size(); ++i)
        if (kZoomRatios[i] >= stored)
            return static_cast<int>(i);
    return -1;
}

int RescaleWidth(int width, int oldRatio, int newRatio)
{
    // One truncation, in integers (1.2 × 65 in floating point would not truncate
    // exactly): the same ratio gives the width back unchanged.
    if (oldRatio <= 0)
        oldRatio = 100;
    return static_cast<int>(static_cast<long long>(width) * newRatio / oldRatio);
}

int Scaled(int design, int ratio, int minimum)
{
    const int v = static_cast<int>(static_cast<long long>(design) * ratio / 100);
    return v < minimum ? minimum : v;
}

std::string Title(std::string_view userName)
{
    if (userName.empty() || userName == SJ("メインユーザー"))
        return SJ("ノルテア");
    return SJ("ノルテア（") + std::string(userName) + SJ("）");
}

} // namespace nrt::mainlist
