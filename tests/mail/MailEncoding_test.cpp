#include "mail/MailEncoding.h"

#include "MailTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using nrt::MailEncoding;
using nrt::test::S;
using nrt::test::U;

namespace {

const std::string kEsc0208 = "\x1B$B";
const std::string kEscAscii = "\x1B(B";

// Every valid CP932 double-byte character of JIS X 0208 (rows 1-8 and 16-84), found
// by asking iconv which pairs exist rather than by the arithmetic under test.
std::string AllJis0208Characters()
{
    std::string all;
    auto addRange = [&](int from, int to) {
        for (int c1 = from; c1 <= to; ++c1)
            for (int c2 = 0x40; c2 <= 0xFC; ++c2) {
                if (c2 == 0x7F)
                    continue;
                const std::string pair { static_cast<char>(c1), static_cast<char>(c2) };
                if (U(pair).find("\xEF\xBF\xBD") == std::string::npos)
                    all += pair;
            }
    };
    addRange(0x81, 0x84);
    addRange(0x88, 0x9F);
    addRange(0xE0, 0xEA);
    return all;
}

std::string Hex(std::string_view s)
{
    static const char* d = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        out += d[c >> 4];
        out += d[c & 15];
        out += ' ';
    }
    return out;
}

} // namespace

TEST(MailEncoding, Base64Rfc4648Vectors)
{
    const struct {
        const char* plain;
        const char* encoded;
    } cases[] = {
        { "", "" }, { "f", "Zg==" }, { "fo", "Zm8=" }, { "foo", "Zm9v" }, { "foob", "Zm9vYg==" },
        { "fooba", "Zm9vYmE=" }, { "foobar", "Zm9vYmFy" }, { "abc", "YWJj" },
        { "ap0", "YXAw" }, // a zero sextet is "A"; "=" only completes a final group
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MailEncoding::Base64Encode(c.plain), c.encoded) << c.plain;
        EXPECT_EQ(MailEncoding::Base64Decode(c.encoded), c.plain) << c.encoded;
    }
}

TEST(MailEncoding, Base64DecodeStopsAtTheEndOfTheText)
{
    const struct {
        std::string encoded;
        std::string plain;
    } cases[] = {
        { "YWJjZA==\r\n", "abcd" }, // the line end is not decoded, the pad adds nothing
        { std::string("YWJj\0YWJj", 9), "abc" }, // NUL ends the text
        { "YWJj ZGVm", "abc" }, // so does any character outside the alphabet
        { "YWI=YWJj", "ab" }, // nothing after a padded group
        { "YWJjZA", "abcd" }, // an unpadded last group still gives its bytes
    };
    for (const auto& c : cases)
        EXPECT_EQ(MailEncoding::Base64Decode(c.encoded), c.plain) << c.encoded;

    std::string every;
    for (int i = 0; i < 256; ++i)
        every += static_cast<char>(i);
    for (std::size_t n = 250; n <= 256; ++n)
        EXPECT_EQ(MailEncoding::Base64Decode(MailEncoding::Base64Encode(every.substr(0, n))), every.substr(0, n));
}

TEST(MailEncoding, SjisToJisArithmetic)
{
    const struct {
        std::string sjis;
        std::string jis;
    } cases[] = {
        { S("山田"), "\x3B\x33\x45\x44" }, { S("あ"), "\x24\x22" }, { S("亜"), "\x30\x21" }, // first kanji row
        { S("熙"), "\x74\x26" }, // last JIS X 0208 character
        { S("Aア1"), "A\x25\x22\x31" }, { "\xFA\x40", "\x93\x21" }, // IBM extension: the arithmetic alone, no table
        { "\x82\x0A", "\x82\x0A" }, // bad second byte: both bytes as they are
        { "\x82", "\x82" }, // lead byte at the end
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(MailEncoding::SjisToJis(c.sjis)), Hex(c.jis)) << U(c.sjis);
}

TEST(MailEncoding, JisLineShapes)
{
    const std::string a = S("あ");
    const std::string aJis = kEsc0208 + "\x24\x22" + kEscAscii;
    const struct {
        std::string line;
        std::string expected;
    } cases[] = {
        { ".x", "..x" }, { "x.", "x." }, { "...", "...." }, { ".", ".." }, { "", "" }, { "plain ascii", "plain ascii" },
        { "a" + a + "a" + a, "a" + aJis + "a" + aJis }, // one escape pair per run
        { a + a + "!", kEsc0208 + "\x24\x22\x24\x22" + kEscAscii + "!" }, { "." + a, ".." + aJis },
        { a + ".", aJis + "." }, // a dot after a run is not leading
        { "\xB1\xA1", "\xB1\xA1" }, // half-width bytes pass unchanged
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(MailEncoding::JisLine(c.line)), Hex(c.expected)) << U(c.line);
}

TEST(MailEncoding, JisLineReadsAtMostJustOverAThousandBytes)
{
    const std::string line(1500, 'x');
    EXPECT_EQ(MailEncoding::JisLine(line).size(), 1001u);
    const std::string dotted = std::string(1, '.') + line;
    EXPECT_EQ(MailEncoding::JisLine(dotted).size(), 1002u); // the doubled dot is extra
}

TEST(MailEncoding, JisLinesDecodeBackThroughIconv)
{
    const std::string all = AllJis0208Characters();
    ASSERT_GT(all.size(), 13000u); // 6879 characters
    // Lines of mixed text: runs of characters broken by ASCII, as in real mail.
    std::size_t at = 0;
    int lines = 0;
    while (at < all.size()) {
        std::string line;
        while (line.size() < 200 && at < all.size()) {
            line += all.substr(at, 2 * (1 + lines % 7));
            at += 2 * (1 + lines % 7);
            line += (lines % 3) ? " x" : ",";
        }
        bool ok = false;
        const std::string back = nrt::test::IsoJpToSjis(MailEncoding::JisLine(line), &ok);
        ASSERT_TRUE(ok) << U(line);
        ASSERT_EQ(back, line) << U(line);
        for (unsigned char c : MailEncoding::JisLine(line))
            ASSERT_LT(c, 0x80) << "8-bit byte in " << U(line);
        ++lines;
    }
}

TEST(MailEncoding, FitsJisAgreesWithAnIso2022JpDecoder)
{
    // Every CP932 pair that iconv knows: it fits when an ISO-2022-JP decoder takes its
    // JIS form, which rules out NEC row 13, the IBM extensions and the gaps of row 2.
    int fitting = 0;
    for (int c1 = 0x81; c1 <= 0xFC; ++c1) {
        if (c1 > 0x9F && c1 < 0xE0)
            continue;
        for (int c2 = 0x40; c2 <= 0xFC; ++c2) {
            const std::string pair { static_cast<char>(c1), static_cast<char>(c2) };
            if (c2 == 0x7F || U(pair).find("\xEF\xBF\xBD") != std::string::npos)
                continue;
            bool ok = false;
            nrt::test::IsoJpToSjis(kEsc0208 + MailEncoding::SjisToJis(pair) + kEscAscii, &ok);
            ASSERT_EQ(MailEncoding::FitsJis(pair), ok) << Hex(pair);
            fitting += ok;
        }
    }
    EXPECT_EQ(fitting, 6879);

    const struct {
        const char* text;
        bool fits;
    } cases[] = {
        { "山田 太郎", true }, { "plain", true }, { "", true }, { "髙橋", false }, { "山﨑", false }, { "①", false },
        { "㈱ノルテア", false }, { "№", false }, { "ｶﾅ", false }, // half-width kana are 8-bit
    };
    for (const auto& c : cases)
        EXPECT_EQ(MailEncoding::FitsJis(S(c.text)), c.fits) << c.text;
    EXPECT_FALSE(MailEncoding::FitsJis("\x80"));
    EXPECT_FALSE(MailEncoding::FitsJis("a\x82")); // a lead byte with nothing after it
    EXPECT_FALSE(MailEncoding::FitsJis("\x82\x0A")); // a bad second byte
}

TEST(MailEncoding, EncodedWordsStandAloneAndDecodeBackWithPythonEmail)
{
    const struct {
        const char* text;
        MailEncoding::Charset charset;
    } cases[] = {
        { "山田 太郎", MailEncoding::Charset::Jis },
        { "第2回 幹事", MailEncoding::Charset::Jis },
        { "株式会社ABC, 営業部 (Sales)", MailEncoding::Charset::Jis },
        { "【ご案内】新年会のお知らせ（１月１０日）会場は駅前のホテル、会費は五千円です。ご出席の方は返信を",
            MailEncoding::Charset::Jis },
        { "髙﨑 ①㈱№ 第2回", MailEncoding::Charset::Utf8 },
        { "ａ髙ｂ﨑ｃ①ｄ㈱ｅ№ｆ髙ｇ﨑ｈ①ｉ㈱ｊ№ｋ髙ｌ﨑ｍ①ｎ㈱ｏ№ｐ髙ｑ﨑ｒ①ｓ㈱ｔ№", MailEncoding::Charset::Utf8 },
        { "  blanks  at  both ends ", MailEncoding::Charset::Jis },
    };
    std::string input, expected;
    for (const auto& c : cases) {
        for (std::size_t room : { std::size_t(66), MailEncoding::kWordLimit }) {
            const auto words = MailEncoding::EncodedWords(S(c.text), c.charset, room);
            std::string line;
            for (std::size_t i = 0; i < words.size(); ++i) {
                const std::string& w = words[i];
                EXPECT_LE(w.size(), i == 0 ? room : MailEncoding::kWordLimit) << c.text;
                EXPECT_EQ(w.rfind(c.charset == MailEncoding::Charset::Jis ? "=?ISO-2022-JP?B?" : "=?UTF-8?B?", 0), 0u);
                EXPECT_EQ(w.substr(w.size() - 2), "?=");
                line += (i ? " " : "") + w;
            }
            input += "Subject: " + line + "\n";
            expected += std::string(c.text) + "\n";
        }
    }
    // Decoded as a reader does: the words of one header, joined by the blanks between them.
    const char* script = R"(
import sys, email, email.policy
for line in sys.stdin.read().splitlines():
    print(email.message_from_string(line + '\n\n', policy=email.policy.default)['subject'])
)";
    int status = 0;
    const std::string out = nrt::test::RunCommand({ "python3", "-c", script }, input, &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(out, expected);
}

TEST(MailEncoding, WidenKanaTable)
{
    const std::string half = S("ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ");
    const std::string full = S("ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミ"
                               "ムメモヤユヨラリルレロワン゛゜");
    ASSERT_EQ(half.size(), 58u);
    EXPECT_EQ(U(MailEncoding::WidenKana(half)), U(full));

    const struct {
        std::string line;
        std::string expected;
    } cases[] = {
        { S("｡｢｣､･"), S("。「」、・") }, // punctuation too: no 8-bit bytes
        // A voicing mark after a kana that takes it makes one character with it.
        { S("ｶﾞｰ"), S("ガー") }, { S("ﾀﾞ ﾊﾟ ｳﾞ"), S("ダ パ ヴ") }, { S("ﾔﾏﾀﾞ ﾊﾅｺ"), S("ヤマダ ハナコ") },
        { S("ｾｰﾙ"), S("セール") }, { S("ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞ"), S("ガギグゲゴザジズゼゾダヂヅデド") },
        { S("ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ"), S("バビブベボパピプペポ") },
        // Kana that take no mark, or not this one, keep it as a character of its own.
        { S("ｱﾞﾝﾞﾀﾟｳﾟﾞﾟ"), S("ア゛ン゛タ゜ウ゜゛゜") }, { S("漢ﾞ"), S("漢゛") },
        { S("ﾃｽﾄ test 漢字"), S("テスト test 漢字") },
        { S("漢") + "\xB1", S("漢ア") }, // a trail byte equal to a kana byte is not one
    };
    for (const auto& c : cases)
        EXPECT_EQ(U(MailEncoding::WidenKana(c.line)), U(c.expected));
}

TEST(MailEncoding, WidenKanaStopsAtTheLimitWithWholeCharacters)
{
    const std::string kana = S("ｱ");
    EXPECT_EQ(MailEncoding::WidenKana(std::string(999, 'x') + kana + "tail").size(), 1001u);
    EXPECT_EQ(MailEncoding::WidenKana(std::string(1000, 'x') + kana).size(), 1000u);
    EXPECT_EQ(MailEncoding::WidenKana(std::string(1200, 'x')).size(), 1000u);
    EXPECT_EQ(MailEncoding::WidenKana("abc", 2), "ab");
}

TEST(MailEncoding, CutPieceCases)
{
    const std::string six = S("ああああああ"); // 12 bytes
    const struct {
        std::string text;
        std::size_t width;
        std::vector<std::size_t> pieces; // lengths sent, the last one being the rest
    } cases[] = {
        { std::string(11, 'a'), 10, { 10, 1 } },
        { six, 11, { 10, 2 } }, // a pair straddling the limit goes to the next piece
        { std::string(10, 'a'), 10, { 10 } }, // fits: not cut
        { std::string(25, 'a'), 10, { 10, 10, 5 } },
        { "a" + six, 10, { 9, 4 } },
        { "", 10, { 0 } },
    };
    for (const auto& c : cases) {
        std::vector<std::size_t> got;
        std::string_view rest = c.text;
        while (std::size_t n = MailEncoding::CutPiece(rest, c.width)) {
            got.push_back(n);
            rest.remove_prefix(n);
        }
        got.push_back(rest.size());
        EXPECT_EQ(got, c.pieces) << U(c.text) << " / " << c.width;
    }
}
