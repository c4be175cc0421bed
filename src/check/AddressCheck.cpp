#include "check/AddressCheck.h"

#include "db/AddressTable.h"
#include "db/CardHistory.h"
#include "platform/sjis.h"
#include "postal/AddressFill.h"
#include "postal/BusinessCodes.h"
#include "postal/Prefectures.h"
#include "print/CustomerBarcode.h"
#include "settings/LayoutDefaults.h"

#include <algorithm>
#include <array>
#include <memory>

namespace nrt::check {
namespace {

std::string_view Trimmed(std::string_view s)
{
    auto blank = [](std::string_view t, std::size_t at) {
        return t.substr(at).starts_with(" ") || t.substr(at).starts_with("\x81\x40");
    };
    while (!s.empty() && blank(s, 0))
        s.remove_prefix(s[0] == ' ' ? 1 : 2);
    while (!s.empty() && (s.back() == ' ' || (s.size() >= 2 && s.substr(s.size() - 2) == "\x81\x40")))
        s.remove_suffix(s.back() == ' ' ? 1 : 2);
    return s;
}

// Words that make a name a firm's, an office's or a school's rather than a person's.
bool LooksLikeFirm(std::string_view name)
{
    static const std::array<std::string, 22> kWords
        = { SJ("株式会社"), SJ("有限会社"), SJ("合同会社"), SJ("合資会社"), SJ("合名会社"), SJ("㈱"), SJ("㈲"),
              SJ("（株）"), SJ("（有）"), SJ("法人"), SJ("協会"), SJ("組合"), SJ("事務所"), SJ("病院"), SJ("医院"),
              SJ("学校"), SJ("大学"), SJ("商店"), SJ("銀行"), SJ("役所"), SJ("役場"), SJ("研究所") };
    // A CP932 search must not find a word across two characters.
    std::size_t last = 0;
    for (std::size_t i = 0; i < name.size(); i += platform::CharLength(name, i)) {
        last = i;
        for (const std::string& word : kWords)
            if (name.substr(i).starts_with(word))
                return true;
    }
    // An office's name ends in what it is; a person's ends in a given name.
    static const std::string kEnds = SJ("省庁局署課部係室社店院館所校園団");
    const std::string_view end = name.substr(last);
    for (std::size_t i = 0; end.size() == 2 && i < kEnds.size(); i += 2)
        if (end == std::string_view(kEnds).substr(i, 2))
            return true;
    return false;
}

std::string PlaceText(const PostalPlace& p)
{
    return PrefectureName(p.prefecture) + p.place;
}

std::string CodeList(const std::vector<const PostalPlace*>& places)
{
    std::string out;
    for (std::size_t i = 0; i < places.size() && i < 5; ++i) {
        if (i > 0)
            out += SJ("、");
        out += SJ("〒") + WrittenCode(places[i]->code) + SJ("（") + PlaceText(*places[i]) + SJ("）");
    }
    if (places.size() > 5)
        out += SJ(" ほか") + std::to_string(places.size() - 5) + SJ("件");
    return out;
}

// The suggestion of the code(s) an address reads to; a single one is the mend.
void SuggestCode(Finding& f, const std::vector<const PostalPlace*>& reads)
{
    if (reads.empty())
        return;
    f.suggestion = CodeList(reads);
    if (reads.size() == 1) {
        f.field = field::kPostalCode;
        f.value = WrittenCode(reads.front()->code);
    }
}

struct RecordCheck {
    const AddressTable& table;
    const PostalIndex& postal;
    const CheckOptions& options;
    std::vector<Finding>& out;

    std::string_view Field(int f, int k) const { return table.Value(f, k); }

    Finding& Add(int k, FindingKind kind, std::string problem)
    {
        Finding& f = out.emplace_back();
        f.record = k;
        f.kind = kind;
        f.problem = std::move(problem);
        return f;
    }

    void Names(int k)
    {
        const std::string_view name = Trimmed(Field(field::kName, k));
        const std::string_view company = Trimmed(Field(field::kCompany, k));
        const std::string_view honorific = Trimmed(Field(field::kHonorific, k));
        if (name.empty() && company.empty()) {
            Add(k, FindingKind::kEmptyName, SJ("名前がありません。"));
            return;
        }
        const bool firm = name.empty() || LooksLikeFirm(name);
        if (honorific == SJ("御中") && !firm && company.empty()) {
            Finding& f = Add(k, FindingKind::kHonorific, SJ("個人の名前に「御中」が付いています。"));
            f.suggestion = SJ("敬称を「様」に");
            f.field = field::kHonorific;
            f.value = SJ("様");
        } else if (honorific == SJ("様") && firm) {
            Finding& f = Add(k, FindingKind::kHonorific, SJ("担当者のない会社宛てに「様」が付いています。"));
            f.suggestion = SJ("敬称を「御中」に");
            f.field = field::kHonorific;
            f.value = SJ("御中");
        }
        for (int j = 0; j < field::kJointNameCount; ++j) {
            const int nameField = field::kJointName1 + 2 * j;
            if (Trimmed(Field(nameField, k)).empty() || !Trimmed(Field(nameField + 1, k)).empty())
                continue;
            const std::string own = honorific.empty() || honorific == SJ("御中") ? SJ("様") : std::string(honorific);
            Finding& f = Add(k, FindingKind::kHonorific,
                SJ("連名「") + std::string(Trimmed(Field(nameField, k))) + SJ("」に敬称がありません。"));
            f.suggestion = SJ("連名") + SJ("の敬称を「") + own + SJ("」に");
            f.field = nameField + 1;
            f.value = own;
        }
    }

    void Postal(int k)
    {
        const std::string_view codeText = Trimmed(Field(field::kPostalCode, k));
        const std::string_view prefField = Trimmed(Field(field::kPrefecture, k));
        const std::string_view address1 = Trimmed(Field(field::kAddress1, k));
        if (address1.empty() && Trimmed(Field(field::kAddress2, k)).empty()) {
            Add(k, FindingKind::kEmptyAddress, SJ("住所がありません。"));
            return;
        }
        if (postal.Empty() && !options.business)
            return;
        std::string_view rest;
        int prefecture = SplitPrefecture(address1, rest);
        if (!prefField.empty())
            prefecture = PrefectureIndex(prefField);
        const std::string key = MatchKey(rest);
        const std::optional<std::string> digits = PostalCodeDigits(codeText);
        auto reads = [&] { return postal.Read(key, prefecture); };

        if (codeText.empty()) {
            const auto read = reads();
            if (read.empty())
                return;
            Finding& f = Add(k, FindingKind::kPostalMissing, SJ("郵便番号がありません。"));
            SuggestCode(f, read);
            return;
        }
        if (!digits) {
            Finding& f = Add(k, FindingKind::kPostalUnknown,
                SJ("郵便番号「") + std::string(codeText) + SJ("」は7桁の番号ではありません。"));
            SuggestCode(f, reads());
            return;
        }
        const std::vector<const PostalPlace*> places = postal.PlacesOf(*digits);
        if (places.empty()) {
            if (options.business)
                if (const std::optional<BusinessPlace> firm = options.business(*digits)) {
                    const bool samePrefecture
                        = prefecture < 0 || firm->prefecture < 0 || firm->prefecture == prefecture;
                    // The town alone, as with the dictionary's places: house numbers are written many ways.
                    const std::string town = MatchKey(firm->address.substr(0, HouseNumberStart(firm->address)));
                    if (!samePrefecture || !key.starts_with(town)) {
                        Finding& f = Add(k, FindingKind::kPostalMismatch,
                            SJ("郵便番号 ") + WrittenCode(*digits) + SJ(" は「") + firm->firm + SJ("」（")
                                + PrefectureName(firm->prefecture) + firm->address + SJ("）の事業所個別番号です。"));
                        SuggestCode(f, reads());
                        if (f.suggestion.empty())
                            f.suggestion
                                = SJ("住所を「") + PrefectureName(firm->prefecture) + firm->address + SJ("」に");
                    }
                    return;
                }
            // A post-office box has a number of its own that the town list does not hold.
            if (postal.Empty() || address1.find(SJ("私書箱")) != std::string_view::npos)
                return;
            Finding& f = Add(k, FindingKind::kPostalUnknown,
                SJ("郵便番号 ") + WrittenCode(*digits) + SJ(" は郵便番号辞書にありません（廃止または誤り）。"));
            SuggestCode(f, reads());
            return;
        }
        const PostalPlace* matched = nullptr;
        for (const PostalPlace* p : places)
            if ((prefecture < 0 || p->prefecture == prefecture) && key.starts_with(p->key)) {
                matched = p;
                break;
            }
        if (matched) {
            // A whole city's code where the address names a town that has its own.
            if (matched->code.ends_with("0000")) {
                const auto read = reads();
                if (read.size() == 1 && read.front()->code != matched->code) {
                    Finding& f = Add(k, FindingKind::kPostalMismatch,
                        SJ("郵便番号 ") + WrittenCode(*digits) + SJ(" は市区町村全体の番号です。"));
                    SuggestCode(f, read);
                }
            }
            Barcode(k, *matched);
            return;
        }
        Finding& f = Add(k, FindingKind::kPostalMismatch,
            SJ("郵便番号 ") + WrittenCode(*digits) + SJ(" は「") + PlaceText(*places.front())
                + SJ("」の番号で、住所と合いません。"));
        SuggestCode(f, reads());
        if (f.suggestion.empty())
            f.suggestion = SJ("住所を「") + PlaceText(*places.front()) + SJ("」に");
    }

    void Barcode(int k, const PostalPlace& town)
    {
        if (!options.barcodeForm || town.code.ends_with("0000"))
            return;
        const std::string address = std::string(Field(field::kPrefecture, k)) + std::string(Field(field::kAddress1, k))
            + " " + std::string(Field(field::kAddress2, k));
        if (ExtractAddressNumber(AfterTownName(address, town.place)).empty())
            Add(k, FindingKind::kNoAddressNumber,
                SJ("住所表示番号（丁目・番地・号）が読み取れません。バーコードは郵便番号だけになります。"));
    }

    void Mourning(int k)
    {
        if (options.mourningYear <= 0 || Field(field::kPrintMark, k) != "1")
            return;
        if (!cardhistory::ForYear(Field(field::kCardHistory, k), Field(field::kCardNotes, k), options.mourningYear)
                 .mourning)
            return;
        std::string problem = std::to_string(options.mourningYear);
        problem += SJ("年は喪中です。年賀状は印刷されません。");
        Finding& f = Add(k, FindingKind::kMourning, std::move(problem));
        f.suggestion = SJ("印刷の印を外す");
        f.field = field::kPrintMark;
        f.value = std::string(1, '0'); // (GCC 12 warns wrongly of a literal assigned here)
    }
};

} // namespace

const std::string& KindName(FindingKind kind)
{
    static const std::array<std::string, 9> kNames = { SJ("郵便番号不明"), SJ("郵便番号不一致"), SJ("郵便番号なし"),
        SJ("住所表示番号なし"), SJ("敬称"), SJ("名前なし"), SJ("住所なし"), SJ("差出人なし"), SJ("喪中") };
    return kNames[static_cast<std::size_t>(kind)];
}

std::string WrittenCode(std::string_view digits)
{
    std::string out(digits.substr(0, 3));
    if (digits.size() > 3)
        out.append("-").append(digits.substr(3));
    return out;
}

std::vector<Finding> CheckRecords(
    const AddressTable& table, const std::vector<int>& records, const PostalIndex& postal, const CheckOptions& options)
{
    std::vector<Finding> out;
    if (options.needsSender && !options.hasSender) {
        Finding& f = out.emplace_back();
        f.kind = FindingKind::kNoSender;
        f.problem = SJ("差出人を印刷する用紙ですが、差出人がありません。");
        f.suggestion = SJ("差出人を登録または選択する");
    }
    RecordCheck check { table, postal, options, out };
    for (int k : records) {
        if (table.IsDeleted(k))
            continue;
        check.Names(k);
        check.Postal(k);
        check.Mourning(k);
    }
    return out;
}

int ApplyMends(AddressTable& table, const std::vector<Finding>& findings)
{
    int applied = 0;
    for (const Finding& f : findings)
        if (f.Mendable() && table.StoreValue(f.record, f.field, f.value) == RecordError::kNone)
            ++applied;
    return applied;
}

} // namespace nrt::check

namespace nrt::check {

CheckOptions OptionsForFormKind(int formKind, bool hasSender, int cardYear)
{
    CheckOptions options;
    options.barcodeForm = formKind == kFormEnvelope4Front || formKind == kFormEnvelope3Front
        || formKind == kFormEnvelope40Front || formKind == kFormLabelSheet;
    options.needsSender = formKind == kFormNewYearCard || formKind == kFormPostcard || formKind == kFormEnvelope4Back
        || formKind == kFormEnvelope3Back || formKind == kFormEnvelope40Back;
    options.hasSender = hasSender;
    options.mourningYear = formKind == kFormNewYearCard ? cardYear : 0;
    return options;
}

bool HasMarkedSender(const AddressTable& table)
{
    for (int k = 0; k < table.GetRecordCount(); ++k)
        if (!table.IsDeleted(k) && table.Value(field::kSender, k) == "1" && table.Value(field::kPrintMark, k) == "1")
            return true;
    return false;
}

BusinessLookup BusinessLookupOf(std::string_view path)
{
    auto codes = std::make_shared<BusinessCodes>();
    if (!codes->Load(path) || codes->Count() == 0)
        return {};
    return [codes](std::string_view digits) -> std::optional<BusinessPlace> {
        const BusinessEntry* entry = codes->Find(digits);
        if (entry == nullptr)
            return std::nullopt;
        return BusinessPlace { entry->name, PrefectureIndex(entry->prefecture), entry->Address() };
    };
}

} // namespace nrt::check
