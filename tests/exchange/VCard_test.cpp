// vCard import and export: cards as phones and web address books write them, the
// notes about what a field could not take, and a round trip through both.
#include "exchange/VCardExport.h"
#include "exchange/VCardImport.h"

#include "ExchangeFixture.h"
#include "db/RecordSet.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "postal/PostalDictionary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

#include <sys/wait.h>
#include <unistd.h>

using namespace nrt;
using nrt::test::S;
using nrt::test::U;
using nrt::test::WriteAll;

namespace {

// Quoted-printable of every byte beyond ASCII, as older phones write it.
std::string Qp(std::string_view utf8)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : utf8) {
        if (c < 0x80 && c != '=') {
            out += static_cast<char>(c);
        } else {
            out += '=';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

using Fields = std::map<std::string, std::string>;

class VCardTest : public nrt::test::ExchangeFixture {
protected:
    // Imports the bytes as a file; the fields of record `k` are read with Value.
    VCardImport::Result Import(const std::string& bytes)
    {
        WriteAll(Docs("in.vcf"), bytes);
        VCardImport import(*settings, table);
        const VCardImport::Result result = import.Load(Docs("in.vcf"));
        notes.clear();
        for (const std::string& n : import.Notes())
            notes.push_back(U(n));
        return result;
    }
    std::string Value(const char* field, int k) const { return U(table.Value(table.FindField(S(field)), k)); }
    // Whether some note holds every one of the texts.
    bool Noted(const std::vector<const char*>& texts) const
    {
        for (const std::string& n : notes) {
            bool all = true;
            for (const char* t : texts)
                all = all && n.find(t) != std::string::npos;
            if (all)
                return true;
        }
        return false;
    }
    // Adds the records and returns them exported, through `rec`.
    std::string Exported(const std::vector<Fields>& records)
    {
        for (const Fields& r : records) {
            table.ClearCurrent();
            for (const auto& [field, value] : r)
                EXPECT_EQ(table.SetValueByName(S(field), S(value)), RecordError::kNone) << field;
            EXPECT_EQ(table.PostRecord(), RecordError::kNone);
        }
        rec.Attach(&table);
        EXPECT_EQ(rec.Select(std::string_view()), SelectResult::kSelected);
        return VCardExport::Format(rec);
    }
    std::vector<std::string> notes;
    RecordSet rec;
};

void ExpectFields(const VCardTest& t, const std::function<std::string(const char*)>& value, const Fields& want,
    const std::string& which)
{
    for (const auto& [field, expected] : want)
        EXPECT_EQ(value(field.c_str()), expected) << which << ": " << field;
}

} // namespace

// The forms the cards come in: a web address book's 3.0 export, an older phone's 2.1
// with quoted-printable (soft line breaks included) and one in Shift-JIS with its
// reading in SOUND (a name whose second bytes are those of '\\'), and a 4.0 card with folded lines, a reading in
// SORT-AS, a tel: URI and a character Shift-JIS lacks.
TEST_F(VCardTest, CardsAsPhonesAndWebAddressBooksWriteThem)
{
    struct Case {
        const char* what;
        std::string card;
        Fields fields;
        std::vector<std::vector<const char*>> notes;
    } cases[] = {
        { "web address book 3.0",
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:山田 太郎\r\nN:山田;太郎;;;\r\n"
            "X-PHONETIC-FIRST-NAME:たろう\r\nX-PHONETIC-LAST-NAME:やまだ\r\n"
            "EMAIL;TYPE=INTERNET;TYPE=WORK:taro@work.example.jp\r\n"
            "EMAIL;TYPE=INTERNET;TYPE=HOME:taro@example.jp\r\n"
            "TEL;TYPE=WORK:03-9999-0000\r\nTEL;TYPE=CELL:090-1234-5678\r\nTEL;TYPE=HOME:03-1234-5678\r\n"
            "TEL;TYPE=HOME;TYPE=FAX:03-1234-5679\r\n"
            "ADR;TYPE=WORK:;;丸の内1-1;千代田区;東京都;100-0005;日本\r\n"
            "ADR;TYPE=HOME:;;霞が関1-2-3;千代田区;東京都;100-0013;日本\r\n"
            "ORG:ノルテア商事;営業部\r\nTITLE:課長\r\nBDAY:1980-04-12\r\n"
            "item1.URL:https\\://example.jp/taro\r\nitem1.X-ABLabel:\r\n"
            "NOTE:一行目\\n二行目\r\nCATEGORIES:myContacts,友人,starred\r\nEND:VCARD\r\n",
            { { "名前", "山田　太郎" }, { "カナ", "ﾔﾏﾀﾞ ﾀﾛｳ" }, { "メール", "taro@example.jp" },
                { "電話番号", "03-1234-5678" }, { "携帯番号", "090-1234-5678" }, { "ＦＡＸ", "03-1234-5679" },
                { "郵便番号", "100-0013" }, { "都道府県", "東京都" }, { "住所１", "千代田区霞が関1-2-3" },
                { "住所２", "" }, { "生年月日", "1980/04/12" }, { "ＨＰ", "https://example.jp/taro" },
                { "備考１", "一行目　二行目" }, { "備考２", "" }, { "会社名", "ノルテア商事" }, { "部署", "営業部" },
                { "役職", "課長" }, { "大分類", "友人" }, { "宛名区分", "0" }, { "印字区分", "1" } },
            { { "1件目（山田　太郎）のTEL", "03-9999-0000" }, { "ADR", "丸の内1-1" } } },
        { "phone 2.1, quoted-printable",
            "BEGIN:VCARD\r\nVERSION:2.1\r\n"
            "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:"
                + Qp("佐藤;花子") + ";;;\r\n" + "X-PHONETIC-LAST-NAME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:"
                + Qp("サトウ") + "\r\n" + "X-PHONETIC-FIRST-NAME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:"
                + Qp("ハナコ") + "\r\n" + "TEL;CELL:+81 80-1111-2222\r\nTEL;VOICE:0612345678\r\n"
                + "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;" + Qp("梅田ビル２０階;梅田1-1;大阪市北区")
                + "=\r\n" + Qp(";大阪府;5300001;") + "\r\n" + "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:"
                + Qp("長いメモ") + "=\r\n" + Qp("です") + "\r\n" + "END:VCARD\r\n",
            { { "名前", "佐藤　花子" }, { "カナ", "ｻﾄｳ ﾊﾅｺ" }, { "携帯番号", "080-1111-2222" },
                { "電話番号", "0612345678" }, { "郵便番号", "530-0001" }, { "都道府県", "大阪府" },
                { "住所１", "大阪市北区梅田1-1" }, { "住所２", "梅田ビル２０階" }, { "備考１", "長いメモです" } },
            {} },
        { "phone 2.1, Shift-JIS",
            "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=SHIFT_JIS:" + S("十河;表") + "\nSOUND;X-IRMC-N;CHARSET=SHIFT_JIS:"
                + S("ｿｺﾞｳ;ﾋｮｳ;;;") + "\nTEL;PREF;HOME:011-222-3333\nEND:VCARD\n",
            { { "名前", "十河　表" }, { "カナ", "ｿｺﾞｳ ﾋｮｳ" }, { "電話番号", "011-222-3333" } }, {} },
        { "4.0, folded",
            "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:𠮷田 花子\r\nN;SORT-AS=\"ヨシダ,ハナコ\":𠮷田;花子;;;\r\n"
            "TEL;VALUE=uri;TYPE=\"voice,home\":tel:+81-3-1234-5678\r\n"
            "ADR;TYPE=home:;;大阪府大阪市北区梅田1-1-1 梅田ビ\r\n ルディング;;;530-0001;JP\r\n"
            "BDAY:--0412\r\nGENDER:F\r\nEMAIL:hanako@example.jp\r\nEND:VCARD\r\n",
            { { "名前", "〓田　花子" }, { "カナ", "ﾖｼﾀﾞ ﾊﾅｺ" }, { "電話番号", "03-1234-5678" },
                { "都道府県", "大阪府" }, { "住所１", "大阪市北区梅田1-1-1 梅田ビルディング" },
                { "郵便番号", "530-0001" }, { "生年月日", "" }, { "性別", "女" }, { "メール", "hanako@example.jp" } },
            { { "1件目のN：", "U+20BB7" }, { "（〓田　花子）のBDAY", "--0412" } } },
        { "phone 3.0: the street on two lines, what the book has no field for",
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:山田;太郎;;;\r\nNICKNAME:たろちゃん\r\nROLE:幹事\r\n"
            "EMAIL;type=INTERNET;type=HOME;type=pref:taro@example.jp\r\n"
            "EMAIL;type=INTERNET;type=WORK:taro@work.example.jp\r\n"
            "item1.ADR;type=HOME;type=pref:;;霞が関1-2-3\\n霞が関ビル12階;千代田区;東京都;100-0013;日本\r\n"
            "ORG:ノルテア商事;\r\nORG:別会社\r\nEND:VCARD\r\n",
            { { "郵便番号", "100-0013" }, { "都道府県", "東京都" }, { "住所１", "千代田区霞が関1-2-3" },
                { "住所２", "霞が関ビル12階" }, { "メール", "taro@example.jp" }, { "会社名", "ノルテア商事" },
                { "敬称", "様" } },
            { { "NICKNAME", "たろちゃん" }, { "ROLE", "幹事" }, { "EMAIL", "taro@work.example.jp" },
                { "ORG", "別会社" } } },
        { "phone 2.1 Shift-JIS: the whole address in the extended part, a group",
            "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=SHIFT_JIS:" + S("鈴木;一郎") + "\r\nADR;HOME;CHARSET=SHIFT_JIS:;"
                + S("東京都千代田区霞が関1-2-3 霞が関ビル12階") + ";;;;1000013;\r\nX-GN;CHARSET=SHIFT_JIS:" + S("友人")
                + "\r\nEND:VCARD\r\n",
            { { "名前", "鈴木　一郎" }, { "郵便番号", "100-0013" }, { "都道府県", "東京都" },
                { "住所１", "千代田区霞が関1-2-3" }, { "住所２", "霞が関ビル12階" } },
            { { "1件目（鈴木　一郎）のX-GN", "友人" } } },
        { "4.0: a reading in SORT-AS with a semicolon",
            "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:安藤 "
            "ロイド\r\nN;SORT-AS=\"あんどう;ろいど\":安藤;ロイド;;;\r\nEND:VCARD\r\n",
            { { "名前", "安藤　ロイド" }, { "カナ", "ｱﾝﾄﾞｳ ﾛｲﾄﾞ" } }, {} },
        { "a company's own card",
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:;;;;\r\nFN:ノルテア商事\r\nORG:ノルテア商事;総務部\r\n"
            "X-ABShowAs:COMPANY\r\nEND:VCARD\r\n",
            { { "名前", "" }, { "会社名", "ノルテア商事" }, { "部署", "総務部" }, { "敬称", "御中" } }, {} },
    };
    for (const Case& c : cases) {
        table.ClearRecords();
        ASSERT_EQ(Import(c.card), VCardImport::Result::kImported) << c.what;
        ASSERT_EQ(table.GetRecordCount(), 1) << c.what;
        ExpectFields(
            *this, [this](const char* f) { return Value(f, 0); }, c.fields, c.what);
        for (const auto& texts : c.notes)
            EXPECT_TRUE(Noted(texts)) << c.what << ": no note with " << texts.front() << " in "
                                      << ::testing::PrintToString(notes);
        if (c.notes.empty()) {
            EXPECT_TRUE(notes.empty()) << c.what << ": " << (notes.empty() ? "" : notes.front());
        }
    }
}

TEST_F(VCardTest, SeveralCardsAndValuesCutToTheirFieldsWithANote)
{
    const std::string note(120, 'x');
    ASSERT_EQ(Import("BEGIN:VCARD\r\nVERSION:3.0\r\nN:一;;;;\r\nNOTE:" + note
                  + "\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:二\r\nEND:VCARD\r\n"),
        VCardImport::Result::kImported);
    ASSERT_EQ(table.GetRecordCount(), 2);
    EXPECT_EQ(Value("名前", 0), "一");
    EXPECT_EQ(Value("備考１", 0), note.substr(0, 100));
    EXPECT_EQ(Value("名前", 1), "二");
    EXPECT_TRUE(Noted({ "1件目（一）の備考１", "100バイト" }));
    // A file without cards adds nothing and says so.
    EXPECT_EQ(Import("BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n"), VCardImport::Result::kNoCards);
    EXPECT_EQ(table.GetRecordCount(), 2);
}

TEST_F(VCardTest, ExportedCardsComeBackIntoTheSameFields)
{
    const std::vector<Fields> records = {
        { { "名前", "山田　太郎" }, { "カナ", "ﾔﾏﾀﾞ ﾀﾛｳ" }, { "性別", "男" }, { "生年月日", "1980/04/12" },
            { "郵便番号", "100-0013" }, { "都道府県", "東京都" },
            // Long enough to be folded, in the middle of a character.
            { "住所１", "千代田区霞が関一丁目二番三号　中央合同庁舎第四号館　国土交通省　総合政策局　情報政策課" },
            { "住所２", "霞が関ビル;12階,西" }, { "電話番号", "03-1234-5678" }, { "ＦＡＸ", "03-1234-5679" },
            { "携帯番号", "090-1234-5678" }, { "メール", "taro@example.jp" }, { "ＨＰ", "https://example.jp/a,b" },
            { "大分類", "友人" }, { "備考１", "年賀状\\毎年" }, { "備考２", "ノルテア商事 課長" },
            { "会社名", "ノルテア;商事" }, { "部署", "営業部" }, { "役職", "課長" }, { "敬称", "先生" },
            { "連名１", "花子" }, { "連名１敬称", "様" }, { "連名３", "三郎" }, { "連名３敬称", "くん" },
            { "小分類", "ゴルフ" }, { "小分類２", "幹事,会計" }, { "年賀状履歴", "2026出受 2025喪" },
            { "年賀状メモ", "転居;新住所" }, { "印字区分", "0" }, { "宛名区分", "1" }, { "登録日", "2020/01/02" },
            { "更新日", "2026/12/01" }, { "顔写真", "yamada.bmp" } },
        // A lone 備考２ stays 備考２; no honorific stays none.
        { { "名前", "髙橋" }, { "カナ", "ﾀｶﾊｼ" }, { "性別", "女" }, { "備考２", "二つ目だけ" }, { "敬称", "" },
            { "印字区分", "1" }, { "宛名区分", "0" } },
        // Namesakes entered the same day are two cards.
        { { "名前", "髙橋" }, { "備考１", "同姓同名" } },
    };
    const std::string file = Exported(records);
    ASSERT_FALSE(HasFailure());
    for (std::size_t at = 0, end; (end = file.find("\r\n", at)) != std::string::npos; at = end + 2)
        EXPECT_LE(end - at, 75U) << file.substr(at, end - at);

    for (const char* line : { "PRODID:-//pelora//nortea//JA\r\n", "UID:urn:uuid:", "REV:20261201T000000Z\r\n" })
        EXPECT_NE(file.find(line), std::string::npos) << line;
    EXPECT_EQ(VCardExport::Format(rec), file) << "the same cards, UIDs and all, each time";
    const std::vector<std::string> uids = VCardExport::RecordUids(table);
    ASSERT_EQ(uids.size(), 3U);
    EXPECT_NE(uids[1], uids[2]);

    table.ClearRecords();
    ASSERT_EQ(Import(file), VCardImport::Result::kImported);
    ASSERT_EQ(table.GetRecordCount(), 3);
    EXPECT_TRUE(notes.empty()) << notes.front();
    for (int k = 0; k < 3; ++k)
        ExpectFields(
            *this, [this, k](const char* f) { return Value(f, k); }, records[k], std::to_string(k));
    EXPECT_EQ(VCardExport::RecordUids(table), uids);
    EXPECT_EQ(VCardExport::Format(rec), file) << "the imported records export as they came";

    // The same file again adds nothing: its cards name records already there.
    WriteAll(Docs("again.vcf"), file);
    VCardImport again(*settings, table);
    ASSERT_EQ(again.Load(Docs("again.vcf")), VCardImport::Result::kImported);
    EXPECT_EQ(table.GetRecordCount(), 3);
    EXPECT_EQ(again.Counts().alreadyThere, 3);
    EXPECT_EQ(
        U(again.ClosingMessage()).rfind("インポートしたデータはありません。（0件）\n（既に登録されているため", 0), 0U);
}

// The first export stores each record's UID in the book, the one exports gave before
// (so their cards still match), without touching 更新日; a renamed record, a deleted
// neighbour and another order keep it; an import into a fresh book takes the cards'
// UIDs, a phone's as it wrote it.
TEST_F(VCardTest, StoredUidsStayWithTheirRecords)
{
    const std::string before
        = Exported({ { { "名前", "山田　太郎" }, { "登録日", "2020/01/02" }, { "更新日", "2021/03/04" } },
            { { "名前", "山田　太郎" }, { "登録日", "2020/01/02" } }, { { "名前", "佐藤" }, { "カナ", "ｻﾄｳ" } } });
    ASSERT_EQ(table.GetFieldCount(), 24) << "formatting alone writes nothing into the book";
    const std::vector<std::string> derived = VCardExport::RecordUids(table);
    int saves = 0;
    const auto save = [&saves] { return ++saves > 0; };
    VCardExport out;
    ASSERT_EQ(out.Run(Docs("first.vcf"), rec, save), VCardExport::kExported);
    EXPECT_EQ(saves, 1);
    ASSERT_EQ(table.UidField(), field::kUid);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(table.Value(field::kUid, k), derived[static_cast<std::size_t>(k)]) << k;
    EXPECT_EQ(Value("更新日", 0), "2021/03/04");
    EXPECT_EQ(nrt::test::ReadAll(Docs("first.vcf")), before);
    ASSERT_EQ(out.Run(Docs("second.vcf"), rec, save), VCardExport::kExported);
    EXPECT_EQ(saves, 1) << "nothing more to store";

    // Renamed, a namesake deleted, another order: each card still has its record's UID.
    ASSERT_EQ(table.ReadRecord(0), RecordError::kNone);
    ASSERT_EQ(table.SetValue(field::kName, S("山田　一郎")), RecordError::kNone);
    ASSERT_EQ(table.PostRecord(), RecordError::kNone);
    ASSERT_TRUE(table.MarkDeleted(1));
    ASSERT_EQ(rec.SetSort(S("カナ d"), 0), SortError::kNone);
    ASSERT_EQ(rec.Select(std::string_view()), SelectResult::kSelected);
    const std::string after = VCardExport::Format(rec);
    EXPECT_NE(after.find("UID:" + derived[0] + "\r\nREV:20210304T000000Z\r\nFN:" + "山田　一郎"), std::string::npos)
        << after;
    EXPECT_NE(after.find("UID:" + derived[2] + "\r\nFN:" + "佐藤"), std::string::npos) << after;
    EXPECT_EQ(after.find("UID:" + derived[1]), std::string::npos);
    // The cards of before: the renamed record is known by its UID; the deleted one's
    // card comes back.
    ASSERT_EQ(Import(before), VCardImport::Result::kImported);
    EXPECT_EQ(table.GetRecordCount(), 4);
    EXPECT_EQ(Value("名前", 3), "山田　太郎");
    EXPECT_EQ(table.Value(field::kUid, 3), derived[1]);

    // Into a fresh book: the same UIDs, and a phone's kept as written.
    AddressTable fresh;
    fresh.CreateDefaultTable();
    const std::string phone = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:4F2A9C1E-77B0-4C7E-9D1A-3B5E6F708192:ABPerson\r\n"
                              "N:鈴木;一郎;;;\r\nEND:VCARD\r\n";
    WriteAll(Docs("fresh.vcf"), VCardExport::Format(rec) + phone);
    VCardImport import(*settings, fresh);
    ASSERT_EQ(import.Load(Docs("fresh.vcf")), VCardImport::Result::kImported);
    ASSERT_EQ(fresh.GetRecordCount(), 3);
    EXPECT_EQ(fresh.Value(field::kUid, 0), derived[2]);
    EXPECT_EQ(fresh.Value(field::kUid, 1), derived[0]);
    EXPECT_EQ(fresh.Value(field::kUid, 2), "4F2A9C1E-77B0-4C7E-9D1A-3B5E6F708192:ABPerson");
    RecordSet freshRecords;
    freshRecords.Attach(&fresh);
    ASSERT_EQ(freshRecords.Select(std::string_view()), SelectResult::kSelected);
    EXPECT_NE(VCardExport::Format(freshRecords).find("UID:4F2A9C1E-77B0-4C7E-9D1A-3B5E6F708192:ABPerson\r\n"),
        std::string::npos);
}

// A value with a line break (as older imports stored them) goes out escaped, never as
// a raw line other readers stop at.
TEST_F(VCardTest, LineBreaksInValuesAreEscapedOnTheWayOut)
{
    const std::string file
        = Exported({ { { "名前", "山田　太郎" }, { "住所２", "霞が関ビル\r\n12階" }, { "備考１", "一\n二\\三" } } });
    ASSERT_FALSE(HasFailure());
    EXPECT_NE(file.find("ADR;TYPE=home:;霞が関ビル\\n12階;;;;;\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("NOTE:一\\n二\\\\三\r\n"), std::string::npos) << file;
    for (std::size_t at = 0; (at = file.find('\n', at)) != std::string::npos; ++at)
        EXPECT_EQ(file[at - 1], '\r') << "a bare line break at " << at;

    table.ClearRecords();
    WriteAll(Docs("in.vcf"), file);
    VCardImport import(*settings, table);
    ASSERT_EQ(import.Load(Docs("in.vcf")), VCardImport::Result::kImported);
    EXPECT_EQ(Value("住所２", 0), "霞が関ビル　12階");
    EXPECT_EQ(Value("備考１", 0), "一　二\\三");
    EXPECT_EQ(import.Counts().lineBreaks, 2);
    EXPECT_NE(U(import.ClosingMessage()).find("（値の中の改行を全角スペースにした項目：2個）"), std::string::npos);
}

namespace {

// The Python interpreter of the system (where Debian's python3-vobject is installed).
std::string Python()
{
    return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

// Standard output and error of a shell command; nullopt when it failed.
std::optional<std::string> Capture(const std::string& command)
{
    FILE* p = ::popen((command + " 2>&1 </dev/null").c_str(), "r");
    if (!p)
        return std::nullopt;
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    const int status = ::pclose(p);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << command << "\n" << out;
        return std::nullopt;
    }
    return out;
}

// Runs the Python script with the arguments; its standard output, or nullopt when it
// could not run or failed.
std::optional<std::string> RunPython(const std::string& script, const std::string& args)
{
    return Capture(Python() + " -c '" + script + "' " + args);
}

} // namespace

// Another program's vCard library reads what the export writes, and the import reads
// what that library writes (its folding, escaping and 3.0 forms).
TEST_F(VCardTest, PythonVobjectReadsTheExportAndWritesCardsTheImportReads)
{
    if (std::system((Python() + " -c 'import vobject' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "python3-vobject is not installed (scripts/setup installs it)";
    const Fields record
        = { { "名前", "山田　太郎" }, { "カナ", "ﾔﾏﾀﾞ ﾀﾛｳ" }, { "郵便番号", "100-0013" }, { "都道府県", "東京都" },
              { "住所１", "千代田区霞が関一丁目二番三号　中央合同庁舎第四号館　国土交通省　総合政策局" },
              { "住所２", "霞が関ビル;12階,西" }, { "電話番号", "03-1234-5678" }, { "携帯番号", "090-1234-5678" },
              { "生年月日", "1980/04/12" }, { "大分類", "友人" }, { "備考１", "年賀状\\毎年" }, { "敬称", "様" } };
    const std::string exported = U(dir.Path()) + "/out.vcf";
    WriteAll(S(exported), Exported({ record }));
    ASSERT_FALSE(HasFailure());

    const char* read = R"(
import sys, vobject
c = vobject.readOne(open(sys.argv[1], encoding="utf-8").read())
a = c.adr.value
print(c.n.value.family, c.n.value.given, sep="|")
print(c.x_phonetic_last_name.value, c.x_phonetic_first_name.value, sep="|")
print(a.code, a.region, a.street, a.extended, sep="|")
print(*sorted(t.value for t in c.contents["tel"]), sep="|")
print(c.bday.value, c.categories.value[0], c.note.value, sep="|")
print(c.uid.value.startswith("urn:uuid:"), c.prodid.value, c.x_nortea_honorific.value, sep="|")
)";
    const auto shown = RunPython(read, "'" + exported + "'");
    ASSERT_TRUE(shown);
    EXPECT_EQ(*shown,
        "山田|太郎\nヤマダ|タロウ\n100-0013|東京都|"
        "千代田区霞が関一丁目二番三号　中央合同庁舎第四号館　国土交通省　総合政策局"
        "|霞が関ビル;12階,西\n03-1234-5678|090-1234-5678\n19800412|友人|年賀状\\毎年\n"
        "True|-//pelora//nortea//JA|様\n");

    const char* write = R"(
import sys, vobject
c = vobject.vCard()
c.add("n").value = vobject.vcard.Name(family="佐藤", given="花子")
c.add("fn").value = "佐藤 花子"
c.add("x-phonetic-last-name").value = "さとう"
c.add("x-phonetic-first-name").value = "はなこ"
t = c.add("tel"); t.value = "06-1234-5678"; t.type_param = "HOME"
t = c.add("tel"); t.value = "080-1111-2222"; t.type_param = "CELL"
a = c.add("adr"); a.value = vobject.vcard.Address(street="梅田1-1-1 梅田ビルディング二十階", city="大阪市北区",
    region="大阪府", code="530-0001", country="日本"); a.type_param = "HOME"
c.add("note").value = "長い備考、句読点; 記号\\ と改行\n二行目"
c.add("categories").value = ["仕事", "友人"]
open(sys.argv[1], "w", encoding="utf-8").write(c.serialize())
)";
    const std::string written = U(dir.Path()) + "/peer.vcf";
    ASSERT_TRUE(RunPython(write, "'" + written + "'"));
    table.ClearRecords();
    ASSERT_EQ(Import(test::ReadAll(S(written))), VCardImport::Result::kImported);
    ASSERT_EQ(table.GetRecordCount(), 1);
    ExpectFields(
        *this, [this](const char* f) { return Value(f, 0); },
        { { "名前", "佐藤　花子" }, { "カナ", "ｻﾄｳ ﾊﾅｺ" }, { "電話番号", "06-1234-5678" },
            { "携帯番号", "080-1111-2222" }, { "郵便番号", "530-0001" }, { "都道府県", "大阪府" },
            { "住所１", "大阪市北区梅田1-1-1 梅田ビルディング二十階" }, { "住所２", "" },
            { "備考１", "長い備考、句読点; 記号\\ と改行　二行目" }, { "大分類", "仕事" } },
        "vobject");
}

// A card inside another is a card of its own and the outer one keeps what follows it;
// a card with nothing to import is named and counted; UTF-16 files are read.
TEST_F(VCardTest, NestedEmptyAndUtf16Cards)
{
    ASSERT_EQ(Import("BEGIN:VCARD\r\nVERSION:2.1\r\nN:外;一\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nN:内;二\r\n"
                     "END:VCARD\r\nTEL;HOME:03-1111-2222\r\nEND:VCARD\r\n"
                     "BEGIN:VCARD\r\nVERSION:3.0\r\nEND:VCARD\r\n"),
        VCardImport::Result::kImported);
    ASSERT_EQ(table.GetRecordCount(), 2);
    EXPECT_EQ(Value("名前", 0), "外　一");
    EXPECT_EQ(Value("電話番号", 0), "03-1111-2222");
    EXPECT_EQ(Value("名前", 1), "内　二");
    EXPECT_TRUE(Noted({ "3件目：取り込める項目がないため" })) << ::testing::PrintToString(notes);

    // Nothing to import at all is no success.
    table.ClearRecords();
    WriteAll(Docs("empty.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nX-UNKNOWN:1\r\nEND:VCARD\r\n");
    VCardImport empty(*settings, table);
    EXPECT_EQ(empty.Load(Docs("empty.vcf")), VCardImport::Result::kNothingImported);
    EXPECT_EQ(empty.Counts().empty, 1);
    EXPECT_EQ(table.GetRecordCount(), 0);

    for (bool little : { true, false }) {
        table.ClearRecords();
        ASSERT_EQ(
            Import(test::Utf16WithBom("BEGIN:VCARD\r\nVERSION:3.0\r\nN:𠮷田;花子;;;\r\nEMAIL:hanako@example.jp\r\n"
                                      "END:VCARD\r\n",
                little)),
            VCardImport::Result::kImported)
            << little;
        ASSERT_EQ(table.GetRecordCount(), 1) << little;
        EXPECT_EQ(Value("名前", 0), "〓田　花子") << little;
        EXPECT_EQ(Value("メール", 0), "hanako@example.jp") << little;
    }
}

// Phones write the address without its prefecture; the postal dictionary gives it only
// where the address begins with the code's city, or without a code, with a city name
// of one prefecture alone.
TEST_F(VCardTest, APrefectureLeftOutIsTakenFromTheCity)
{
    WriteAll(Docs("list.csv"),
        S("13101,\"100  "
          "\",\"1000013\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"ｶｽﾐｶﾞｾｷ\",\"東京都\",\"千代田区\",\"霞が関\",0,0,0,0,0,0\r\n"
          "13206,\"183  "
          "\",\"1830055\",\"ﾄｳｷｮｳﾄ\",\"ﾌﾁｭｳｼ\",\"ﾐﾔﾆｼﾁｮｳ\",\"東京都\",\"府中市\",\"宮西町\",0,0,0,0,0,0\r\n"
          "14104,\"231  "
          "\",\"2310023\",\"ｶﾅｶﾞﾜｹﾝ\",\"ﾖｺﾊﾏｼﾅｶｸ\",\"ﾔﾏｼﾀﾁｮｳ\",\"神奈川県\",\"横浜市中区\",\"山下町\",0,0,0,0,0,0\r\n"
          "27127,\"530  "
          "\",\"5300001\",\"ｵｵｻｶﾌ\",\"ｵｵｻｶｼｷﾀｸ\",\"ｳﾒﾀﾞ\",\"大阪府\",\"大阪市北区\",\"梅田\",0,0,0,0,0,0\r\n"
          "34208,\"726  "
          "\",\"7260005\",\"ﾋﾛｼﾏｹﾝ\",\"ﾌﾁｭｳｼ\",\"ﾌﾁｭｳﾏﾁ\",\"広島県\",\"府中市\",\"府中町\",0,0,0,0,0,0\r\n"));
    ASSERT_EQ(ImportPostalList(Docs("list.csv"), settings->PostalFile({})), PostalImportResult::kOk);
    struct Case {
        const char* adr;
        const char* prefecture;
        const char* address1;
        const char* address2;
    } cases[] = {
        { ";;千代田区霞が関1-2-3;;;100-0013;", "東京都", "千代田区霞が関1-2-3", "" },
        { ";千代田区霞が関1-2-3 霞ビル;;;;1000013;", "東京都", "千代田区霞が関1-2-3", "霞ビル" },
        { ";;大阪市北区梅田1-1;;;530-0001;", "大阪府", "大阪市北区梅田1-1", "" },
        // Another city than the code's, or a code the dictionary lacks: left as written.
        { ";;横浜市中区山下町1;;;100-0013;", "", "横浜市中区山下町1", "" },
        { ";;千代田区霞が関1-2-3;;;999-9999;", "", "千代田区霞が関1-2-3", "" },
        // No code: the city's prefecture, also for the whole address in the extended part;
        // a city name two prefectures share tells nothing.
        { ";;横浜市中区山下町1;;;;", "神奈川県", "横浜市中区山下町1", "" },
        { ";横浜市中区山下町1 山下ビル;;;;;", "神奈川県", "横浜市中区山下町1", "山下ビル" },
        { ";;府中市宮西町1;;;;", "", "府中市宮西町1", "" },
        { ";;鎌倉市雪ノ下1;;;;", "", "鎌倉市雪ノ下1", "" },
    };
    for (const Case& c : cases) {
        table.ClearRecords();
        ASSERT_EQ(
            Import(std::string("BEGIN:VCARD\r\nVERSION:3.0\r\nN:山田;太郎;;;\r\nADR:") + c.adr + "\r\nEND:VCARD\r\n"),
            VCardImport::Result::kImported)
            << c.adr;
        EXPECT_EQ(Value("都道府県", 0), c.prefecture) << c.adr;
        EXPECT_EQ(Value("住所１", 0), c.address1) << c.adr;
        EXPECT_EQ(Value("住所２", 0), c.address2) << c.adr;
    }
}

// A command-line address book that keeps one card a file reads every exported card by
// its UID, with the values and this program's own properties intact.
TEST_F(VCardTest, KhardReadsEveryExportedCard)
{
    if (::access("/usr/bin/khard", X_OK) != 0)
        GTEST_SKIP() << "khard is not installed (scripts/setup installs it)";
    const std::vector<Fields> records = {
        { { "名前", "山田　太郎" }, { "カナ", "ﾔﾏﾀﾞ ﾀﾛｳ" }, { "郵便番号", "100-0013" }, { "都道府県", "東京都" },
            { "住所１", "千代田区霞が関1-2-3" }, { "住所２", "霞が関ビル;12階,西" }, { "電話番号", "03-1234-5678" },
            { "メール", "taro@example.jp" }, { "備考１", "年賀状,毎年" }, { "敬称", "先生" }, { "小分類", "ゴルフ" },
            { "年賀状履歴", "2026出受" }, { "会社名", "ノルテア商事" }, { "役職", "課長" } },
        { { "名前", "佐藤　花子" }, { "備考２", "二つ目" } },
        { { "会社名", "ノルテア商事" }, { "部署", "総務部" }, { "敬称", "御中" } },
    };
    const std::string file = Exported(records);
    ASSERT_FALSE(HasFailure());
    const std::string book = U(dir.Path()) + "/khard-book";
    ASSERT_TRUE(platform::fs::MakeDirs(S(book)));
    std::vector<std::string> uids;
    for (std::size_t at = 0, n = 0; (at = file.find("BEGIN:VCARD", at)) != std::string::npos; ++n) {
        const std::size_t end = file.find("END:VCARD\r\n", at) + 11;
        const std::string card = file.substr(at, end - at);
        const std::size_t uid = card.find("UID:") + 4;
        uids.push_back(card.substr(uid, card.find("\r\n", uid) - uid));
        WriteAll(S(book + "/" + std::to_string(n) + ".vcf"), card);
        at = end;
    }
    ASSERT_EQ(uids.size(), 3U);
    const std::string config = U(dir.Path()) + "/khard.conf";
    WriteAll(S(config),
        "[addressbooks]\n[[book]]\npath = " + book
            + "\n[general]\neditor = /bin/true\nmerge_editor = /bin/true\n[vcard]\n"
              "private_objects = NORTEA-HONORIFIC, NORTEA-SUBCATEGORY, NORTEA-CARD-HISTORY\n");
    const std::string khard = "HOME='" + U(dir.Path()) + "' /usr/bin/khard -c '" + config + "' ";
    const auto list = Capture(khard + "list --parsable");
    ASSERT_TRUE(list);
    for (const std::string& uid : uids)
        EXPECT_NE(list->find(uid), std::string::npos) << *list;
    // A firm's own card is listed by the firm's name.
    EXPECT_NE(list->find(uids[2] + "\t" + "ノルテア商事"), std::string::npos) << *list;
    const auto shown = Capture(khard + "show --format yaml --uid '" + uids[0] + "'");
    ASSERT_TRUE(shown);
    for (const char* text : { "First name: 太郎", "Last name: 山田", "Extended: 霞が関ビル;12階,西",
             "Street: 千代田区霞が関1-2-3", "Code: 100-0013", "Region: 東京都", "taro@example.jp", "03-1234-5678",
             "ノルテア商事", "Title: 課長", "NORTEA-HONORIFIC: 先生", "NORTEA-SUBCATEGORY: ゴルフ",
             "NORTEA-CARD-HISTORY: 2026出受", "Note: 年賀状,毎年" })
        EXPECT_NE(shown->find(text), std::string::npos) << text << "\n" << *shown;
}
