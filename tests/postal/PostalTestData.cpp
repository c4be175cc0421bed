#include "PostalTestData.h"

namespace nrt::test {
namespace {

// In the list's own order (by local government code, as published), not sorted.
const std::vector<ListLine> kSample = {
    { "13101", "1000013", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ", "ｶｽﾐｶﾞｾｷ", "東京都", "千代田区", "霞が関" },
    { "13101", "1000014", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ", "ﾅｶﾞﾀﾁｮｳ", "東京都", "千代田区", "永田町" },
    { "13113", "1500001", "ﾄｳｷｮｳﾄ", "ｼﾌﾞﾔｸ", "ｼﾞﾝｸﾞｳﾏｴ", "東京都", "渋谷区", "神宮前" },
    { "01101", "0600042", "ﾎｯｶｲﾄﾞｳ", "ｻｯﾎﾟﾛｼﾁｭｳｵｳｸ", "ｵｵﾄﾞｵﾘﾆｼ(1-19ﾁｮｳﾒ)", "北海道", "札幌市中央区",
        "大通西（１～１９丁目）" },
    { "27128", "5400002", "ｵｵｻｶﾌ", "ｵｵｻｶｼﾁｭｳｵｳｸ", "ｵｵｻｶｼﾞｮｳ", "大阪府", "大阪市中央区", "大阪城" },
    { "27128", "5400002", "ｵｵｻｶﾌ", "ｵｵｻｶｼﾁｭｳｵｳｸ", "ｷｮｳﾊﾞｼﾏｴﾉﾁｮｳ", "大阪府", "大阪市中央区", "京橋前之町" },
    { "13101", "1000001", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ", "ﾁﾖﾀﾞ", "東京都", "千代田区", "千代田" },
    { "27212", "5810003", "ｵｵｻｶﾌ", "ﾔｵｼ", "ﾎﾝﾏﾁ", "大阪府", "八尾市", "本町" },
    { "47201", "9000015", "ｵｷﾅﾜｹﾝ", "ﾅﾊｼ", "ｸﾓｼﾞ", "沖縄県", "那覇市", "久茂地" },
    { "27203", "5600000", "ｵｵｻｶﾌ", "ﾄﾖﾅｶｼ", "ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ", "大阪府", "豊中市", "以下に掲載がない場合" },
    { "01101", "0640941", "ﾎｯｶｲﾄﾞｳ", "ｻｯﾎﾟﾛｼﾁｭｳｵｳｸ", "ｱｻﾋｶﾞｵｶ", "北海道", "札幌市中央区", "旭ケ丘" },
};

// Readings compare byte by byte: ｵｵｻｶﾌ < ｵｷﾅﾜｹﾝ < ﾄｳｷｮｳﾄ < ﾎｯｶｲﾄﾞｳ, and so on down.
const std::vector<ListLine> kSorted = {
    kSample[4],
    kSample[5],
    kSample[9],
    kSample[7],
    kSample[8],
    kSample[2],
    kSample[0],
    kSample[6],
    kSample[1],
    kSample[10],
    kSample[3],
};

} // namespace

std::string ListLineBytes(const ListLine& l)
{
    std::string code(l.code);
    std::string utf8 = std::string(l.jis) + ",\"" + code.substr(0, 3) + "  \",\"" + code + "\",\"" + l.prefReading
        + "\",\"" + l.cityReading + "\",\"" + l.townReading + "\",\"" + l.pref + "\",\"" + l.city + "\",\"" + l.town
        + "\",0,0,0,0,0,0\r\n";
    return S(utf8);
}

std::string ListBytes(const std::vector<ListLine>& lines)
{
    std::string bytes;
    for (const auto& l : lines)
        bytes += ListLineBytes(l);
    return bytes;
}

std::string SampleList()
{
    std::string bytes = ListBytes(kSample);
    // Empty lines at the very end end the list without cutting it short.
    bytes += "\r\n\r\n";
    return bytes;
}

const std::vector<ListLine>& SampleSorted()
{
    return kSorted;
}

std::string Fields(std::initializer_list<std::string_view> utf8)
{
    std::string out;
    for (auto f : utf8) {
        out += S(f);
        out.push_back('\0');
    }
    return out;
}

} // namespace nrt::test
