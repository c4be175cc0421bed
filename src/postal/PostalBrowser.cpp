#include "postal/PostalBrowser.h"

#include "db/LineList.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "postal/PostalDictionary.h"
#include "postal/Prefectures.h"

#include <array>
#include <cstdint>
#include <utility>

namespace nrt {
namespace {

// First bytes of the readings each kana filter passes (half-width katakana ｱ to ﾜ).
constexpr std::array<std::pair<unsigned char, unsigned char>, kKanaFilterCount> kKanaRanges = { {
    { 0x00, 0xFF }, // 全て
    { 0xB1, 0xB5 }, // ア行
    { 0xB6, 0xBA }, // カ
    { 0xBB, 0xBF }, // サ
    { 0xC0, 0xC4 }, // タ
    { 0xC5, 0xC9 }, // ナ
    { 0xCA, 0xCE }, // ハ
    { 0xCF, 0xD3 }, // マ
    { 0xD4, 0xD6 }, // ヤ
    { 0xD7, 0xDB }, // ラ
    { 0xDC, 0xDC }, // ワ
} };

constexpr std::size_t kPrefectureNameBytes = 24;
constexpr std::size_t kNameBytes = 254;
constexpr char kNoCode[] = " --- ";

// The next zero-ended field at `pos`; without a zero byte, the rest of the bytes.
std::string_view NextField(std::string_view bytes, std::size_t& pos)
{
    if (pos >= bytes.size()) {
        pos = bytes.size();
        return {};
    }
    const std::size_t end = bytes.find('\0', pos);
    const std::string_view field = bytes.substr(pos, end == std::string_view::npos ? end : end - pos);
    pos = end == std::string_view::npos ? bytes.size() : end + 1;
    return field;
}

// The leading decimal number of a list line, as atoi reads it.
int LeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value < 100000000 ? value * 10 + (text[i] - '0') : value;
    return static_cast<int>(negative ? -value : value);
}

std::uint32_t GetLE32(std::string_view bytes, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

std::string WithHyphen(std::string_view code)
{
    if (code.size() <= 3)
        return std::string(code);
    return std::string(code.substr(0, 3)).append("-").append(code.substr(3));
}

} // namespace

bool PostalDictionaryPresent(std::string_view postalFolder)
{
    std::string folder(postalFolder);
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return platform::fs::IsFile(folder + "/" + std::string(kPostalPrefectureFile));
}

bool CheckPostalDictionary(std::string_view postalFolder)
{
    if (PostalDictionaryPresent(postalFolder))
        return true;
    platform::Warn(SJ("郵便番号データがありません。\n"
                      "「ファイル」メニューの「郵便番号データのインポート」で、日本郵便の郵便番号データ"
                      "（KEN_ALL.CSV）を取り込んで下さい。"));
    return false;
}

bool PassesKanaFilter(int filter, std::string_view reading)
{
    if (filter == 0)
        return true;
    if (filter < 0 || filter >= kKanaFilterCount || reading.empty())
        return false;
    const auto c = static_cast<unsigned char>(reading.front());
    const auto [from, to] = kKanaRanges[static_cast<std::size_t>(filter)];
    return c >= from && c <= to;
}

std::vector<PostalBrowserRow> PostalListRows(const LineList& lines, int filter)
{
    std::vector<PostalBrowserRow> rows;
    for (int i = 0; i < lines.GetCount(); ++i) {
        const std::string_view line = lines.GetLine(i);
        std::size_t pos = 0;
        const std::string_view number = NextField(line, pos);
        NextField(line, pos); // the first code: not shown
        const std::string_view name = NextField(line, pos);
        const std::string_view reading = NextField(line, pos);
        if (!PassesKanaFilter(filter, reading))
            continue;
        rows.push_back({ kNoCode, std::string(name), std::string(reading), LeadingNumber(number) });
    }
    return rows;
}

bool PostalTownRows(
    std::string_view townIndex, std::string_view towns, int cityNumber, int filter, std::vector<PostalBrowserRow>& rows)
{
    rows.clear();
    if (cityNumber < 1)
        return false;
    const std::uint64_t at = static_cast<std::uint64_t>(cityNumber - 1) * 8;
    if (at + 8 > townIndex.size())
        return false;
    std::size_t pos = GetLE32(townIndex, static_cast<std::size_t>(at));
    const std::uint32_t count = GetLE32(townIndex, static_cast<std::size_t>(at) + 4);
    for (std::uint32_t k = 0; k < count && pos < towns.size(); ++k) {
        const std::string_view code = NextField(towns, pos);
        const std::string_view name = NextField(towns, pos);
        const std::string_view reading = NextField(towns, pos);
        if (PassesKanaFilter(filter, reading))
            rows.push_back({ WithHyphen(code), std::string(name), std::string(reading), 0 });
    }
    return true;
}

PostalBrowser::PostalBrowser(std::string postalFolder)
    : folder_(std::move(postalFolder))
{
    while (!folder_.empty() && folder_.back() == '/')
        folder_.pop_back();
}

void PostalBrowser::Start(std::string_view prefectureName)
{
    confirmed_ = false;
    filter_ = 0;
    citiesEnabled_ = false;
    const int index = nrt::PrefectureIndex(prefectureName);
    if (index >= 0) {
        prefecture_ = index;
        prefectureName_ = PrefectureName(index);
        Enter(kCities);
    } else {
        Enter(kPrefectures);
    }
}

void PostalBrowser::StartAtCode(std::string_view prefectureName, std::string_view code)
{
    Start(prefectureName);
    if (level_ != kCities)
        return;
    std::string index, towns;
    platform::fs::ReadFile(File(PostalTownIndexFile(prefecture_)), index);
    platform::fs::ReadFile(File(PostalTownFile(prefecture_)), towns);
    const std::vector<PostalBrowserRow> cities = rows_;
    for (const PostalBrowserRow& city : cities) {
        std::vector<PostalBrowserRow> rows;
        if (city.number <= 0 || !PostalTownRows(index, towns, city.number, 0, rows))
            continue;
        for (const PostalBrowserRow& town : rows) {
            if (town.code != code)
                continue;
            city_ = city.number;
            cityName_ = platform::CutToBytes(city.name, kNameBytes);
            onlyCode_ = std::string(code);
            Enter(kTowns);
            return;
        }
    }
}

std::string PostalBrowser::File(std::string_view name) const
{
    return folder_ + "/" + std::string(name);
}

void PostalBrowser::Enter(int level)
{
    // Any step to another list shows it whole again.
    if (level != kTowns)
        onlyCode_.clear();
    level_ = level;
    if (level == kTowns)
        citiesEnabled_ = true;
    else if (level == kPrefectures)
        citiesEnabled_ = false;
    Fill();
}

void PostalBrowser::Fill()
{
    rows_.clear();
    if (level_ == kTowns) {
        std::string index, towns;
        platform::fs::ReadFile(File(PostalTownIndexFile(prefecture_)), index);
        platform::fs::ReadFile(File(PostalTownFile(prefecture_)), towns);
        if (!PostalTownRows(index, towns, city_, filter_, rows_))
            platform::Beep();
        if (!onlyCode_.empty())
            std::erase_if(rows_, [this](const PostalBrowserRow& r) { return r.code != onlyCode_; });
    } else {
        LineList lines;
        const std::string name
            = level_ == kPrefectures ? std::string(kPostalPrefectureFile) : PostalCityListFile(prefecture_);
        if (lines.LoadText(File(name)))
            rows_ = PostalListRows(lines, filter_);
    }
    if (rows_.empty())
        rows_.emplace_back();
}

int PostalBrowser::ShownCount() const
{
    return rows_.front().code.empty() ? 0 : static_cast<int>(rows_.size());
}

const std::string& PostalBrowser::Caption() const
{
    switch (level_) {
    case kPrefectures:
        return SJ("ノルテア（都道府県）");
    case kCities:
        return SJ("ノルテア（市町村）");
    default:
        return SJ("ノルテア（町域）");
    }
}

const std::string& PostalBrowser::OkCaption() const
{
    return level_ == kTowns ? SJ("決定") : SJ("選択");
}

std::string PostalBrowser::AddressLabel() const
{
    switch (level_) {
    case kPrefectures:
        return {};
    case kCities:
        return prefectureName_;
    default:
        return prefectureName_ + cityName_;
    }
}

void PostalBrowser::SetFilter(int filter)
{
    filter_ = (filter >= 0 && filter < kKanaFilterCount) ? filter : 0;
    Fill();
}

PostalBrowser::ChooseResult PostalBrowser::Choose(int row)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()) || rows_[static_cast<std::size_t>(row)].code.empty()) {
        platform::Beep();
        return ChooseResult::kNothing;
    }
    const PostalBrowserRow& r = rows_[static_cast<std::size_t>(row)];
    filter_ = 0;
    switch (level_) {
    case kPrefectures:
        prefecture_ = r.number;
        prefectureName_ = platform::CutToBytes(r.name, kPrefectureNameBytes);
        Enter(kCities);
        return ChooseResult::kEntered;
    case kCities:
        city_ = r.number;
        cityName_ = platform::CutToBytes(r.name, kNameBytes);
        Enter(kTowns);
        return ChooseResult::kEntered;
    default:
        code_ = r.code;
        // The address takes the town without the remark the list shows beside it.
        townName_ = platform::CutToBytes(TownWithoutRemark(r.name), kNameBytes);
        confirmed_ = true;
        return ChooseResult::kConfirmed;
    }
}

void PostalBrowser::BackToCities()
{
    filter_ = 0;
    Enter(kCities);
}

void PostalBrowser::BackToPrefectures()
{
    filter_ = 0;
    Enter(kPrefectures);
}

} // namespace nrt
