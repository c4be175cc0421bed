#include "settings/LayoutDefaults.h"

#include "platform/sjis.h"
#include "print/CustomerBarcode.h"
#include "print/NameBlock.h"

#include <algorithm>
#include <vector>

namespace nrt {

const std::array<SlotCatalogueEntry, kLayoutSlots> kSlotCatalogue { {
    { "名前", "氏名", "宛名_氏名", "宛名_氏名" },
    { "名前", "氏名様", "宛名_氏名＋敬称", "宛名_氏名　様" },
    { "敬称", "様", "宛名_敬称", "様" },
    { "郵便番号", "1", "宛名_郵便番号（全て）", "123-4567" },
    { "郵便番号", "1", "宛名_郵便番号１", "1" },
    { "郵便番号", "2", "宛名_郵便番号２", "2" },
    { "郵便番号", "3", "宛名_郵便番号３", "3" },
    { "郵便番号", "4", "宛名_郵便番号４", "4" },
    { "郵便番号", "5", "宛名_郵便番号５", "5" },
    { "郵便番号", "6", "宛名_郵便番号６", "6" },
    { "郵便番号", "7", "宛名_郵便番号７", "7" },
    { "都道府県", "都道府県", "宛名_都道府県", "ＸＸ県" },
    { "", "都道府県＋住所１", "宛名_都道府県＋住所１", "宛名_都道府県＋住所１" },
    { "住所１", "住所１", "宛名_住所１", "宛名_住所１" },
    { "住所２", "住所２", "宛名_住所２", "宛名_住所２" },
    { "電話番号", "電話番号", "宛名_電話番号", "1234-56-0001" },
    { "ＦＡＸ", "ＦＡＸ", "宛名_ＦＡＸ", "1234-56-0002" },
    { "携帯番号", "携帯番号", "宛名_携帯電話", "1234-56-0003" },
    { "生年月日", "生年月日", "宛名_生年月日", "1960/01/01" },
    { "性別", "性別", "宛名_性別", "男" },
    { "メール", "メール", "宛名_メール", "メール" },
    { "ＨＰ", "ＨＰ", "宛名_URL", "ＨＰ" },
    { "大分類", "大分類", "宛名_大分類", "大分類" },
    { "小分類", "小分類", "宛名_小分類", "小分類" },
    { "備考１", "備考１", "宛名_備考1", "備考１" },
    { "備考２", "備考２", "宛名_備考2", "備考２" },
    { "更新日", "更新日", "宛名_更新日", "YYYY/MM/DD" },
    { "登録日", "登録日", "宛名_登録日", "YYYY/MM/DD" },
    { "", "差出人", "差出人_氏名", "差出人_氏名" },
    { "", "郵便番号", "差出人_郵便番号（全て）", "123-4567" },
    { "", "1", "差出人_郵便番号１", "1" },
    { "", "2", "差出人_郵便番号２", "2" },
    { "", "3", "差出人_郵便番号３", "3" },
    { "", "4", "差出人_郵便番号４", "4" },
    { "", "5", "差出人_郵便番号５", "5" },
    { "", "6", "差出人_郵便番号６", "6" },
    { "", "7", "差出人_郵便番号７", "7" },
    { "", "都道府県", "差出人_都道府県", "ＹＹ県" },
    { "", "都道府県＋住所１", "差出人_都道府県＋住所１", "差出人_都道府県＋住所１" },
    { "", "差出人住所１", "差出人_住所１", "差出人_住所１" },
    { "", "差出人住所２", "差出人_住所２", "差出人_住所２" },
    { "", "差出人TEL", "差出人_電話番号", "1234-78-1001" },
    { "", "差出人FAX", "差出人_ＦＡＸ", "1234-78-1002" },
    { "", "差出人携帯", "差出人_携帯電話", "1234-78-1003" },
    { "", "差出人メール", "差出人_メール", "差出人_メール" },
    { "", "差出人ＨＰ", "差出人_URL", "差出人_ＨＰ" },
    { "", "差出人備考１", "差出人_備考１", "差出人_備考１" },
    { "", "差出人備考２", "差出人_備考２", "差出人_備考２" },
    { "", "自由01", "ラベル01", nullptr },
    { "", "自由02", "ラベル02", nullptr },
    { "", "自由03", "ラベル03", nullptr },
    { "", "自由04", "ラベル04", nullptr },
    { "", "自由05", "ラベル05", nullptr },
    // The bars themselves are the text: see BarcodeSample().
    { "", "", "カスタマバーコード", "" },
    { "", "連名　様", "宛名_連名", "連名　様" },
    { "", "会社名　部署", "宛名_会社名・部署", "会社名　部署" },
} };

namespace {

enum Direction : bool { H = false, V = true };

struct SlotDefault {
    bool shown;
    std::int32_t x, y, width, height, fontHeight;
    Direction vertical;
};

struct KindSlots {
    int kind;
    std::array<SlotDefault, 48> slots; // 0 to 47; the free-text slots follow their own rule
};

// Slots 0 to 47 of every kind, in the order of kFormKinds. Hidden slots lie on the
// column (or, on labels, the row) of the shown slots they belong with; the sender
// slots of the envelope fronts are those of the backs, and kinds 13 and 14 are kinds
// 3 and 4 with the sender slots other than the postal code digits 2000 lower. On the
// cards the name's column (as wide as its type, 8.43 mm) stands on the centre line;
// kind 5's digits stand in the middle of Japan Post's boxes for standard mail (12 mm
// below the top, 8 mm from the right edge, 5.7 mm wide, 1.3, 1.9 and 1.1 mm apart),
// so that each digit's ink is centred in its box as the gothic face sets it.
// clang-format off
constexpr std::array<KindSlots, 9> kKindSlots{{
    {1, {{
        {0, 5421, 3000, 500, 8000, 843, V}, {1, 5421, 3000, 500, 9000, 843, V}, {0, 5421, 11000, 500, 1000, 843, V}, {0, 4600, 1300, 4100, 566, 593, H}, // 0-3
        {1, 4600, 1300, 400, 566, 593, H}, {1, 5300, 1300, 400, 566, 593, H}, {1, 6000, 1300, 400, 566, 593, H}, {1, 6700, 1300, 400, 566, 593, H}, // 4-7
        {1, 7380, 1300, 400, 566, 593, H}, {1, 8060, 1300, 400, 566, 593, H}, {1, 8740, 1300, 400, 566, 593, H}, {0, 9200, 2500, 350, 1500, 370, V}, // 8-11
        {0, 9200, 2500, 350, 10000, 370, V}, {1, 9200, 2500, 350, 10000, 370, V}, {1, 8500, 2500, 350, 10000, 370, V}, {0, 7800, 2500, 350, 3500, 370, V}, // 12-15
        {0, 7800, 2500, 350, 3500, 370, V}, {0, 7800, 2500, 350, 3500, 370, V}, {0, 7800, 2500, 350, 3500, 370, V}, {0, 7800, 2500, 350, 2000, 370, V}, // 16-19
        {0, 7800, 2500, 350, 10000, 370, V}, {0, 7800, 2500, 350, 10000, 370, V}, {0, 7800, 2500, 350, 10000, 370, V}, {0, 7800, 2500, 350, 10000, 370, V}, // 20-23
        {0, 7800, 2500, 350, 10000, 370, V}, {0, 7800, 2500, 350, 10000, 370, V}, {0, 7800, 2500, 350, 3500, 370, V}, {0, 7800, 2500, 350, 3500, 370, V}, // 24-27
        {1, 1200, 8100, 350, 4000, 512, V}, {0, 650, 12350, 2500, 500, 406, H}, {1, 650, 12350, 400, 500, 406, H}, {1, 1050, 12350, 400, 500, 406, H}, // 28-31
        {1, 1450, 12350, 400, 500, 406, H}, {1, 1950, 12350, 400, 500, 406, H}, {1, 2350, 12350, 400, 500, 406, H}, {1, 2750, 12350, 400, 500, 406, H}, // 32-35
        {1, 3150, 12350, 400, 500, 406, H}, {0, 2600, 3900, 350, 2000, 370, V}, {0, 2600, 5900, 350, 6200, 370, V}, {1, 2600, 5900, 350, 6200, 370, V}, // 36-39
        {1, 1900, 5900, 350, 6200, 370, V}, {0, 3300, 8600, 350, 3500, 370, V}, {0, 3300, 8600, 350, 3500, 370, V}, {0, 3300, 8600, 350, 3500, 370, V}, // 40-43
        {0, 4000, 5400, 350, 6700, 370, V}, {0, 4000, 5400, 350, 6700, 370, V}, {0, 3300, 3900, 350, 4700, 370, V}, {0, 3300, 3900, 350, 4700, 370, V}, // 44-47
    }}},
    {2, {{
        {0, 5421, 3000, 500, 8000, 843, V}, {1, 5421, 3000, 500, 9000, 843, V}, {0, 5421, 11000, 500, 1000, 843, V}, {0, 4500, 1300, 4200, 566, 593, H}, // 0-3
        {1, 4500, 1300, 400, 566, 593, H}, {1, 5200, 1300, 400, 566, 593, H}, {1, 5900, 1300, 400, 566, 593, H}, {1, 6700, 1300, 400, 566, 593, H}, // 4-7
        {1, 7380, 1300, 400, 566, 593, H}, {1, 8060, 1300, 400, 566, 593, H}, {1, 8740, 1300, 400, 566, 593, H}, {0, 9200, 2500, 350, 1500, 468, V}, // 8-11
        {0, 9200, 2500, 350, 12000, 468, V}, {1, 9200, 2500, 350, 12000, 468, V}, {1, 8500, 2500, 350, 12000, 468, V}, {0, 7800, 2500, 350, 3500, 468, V}, // 12-15
        {0, 7800, 2500, 350, 3500, 468, V}, {0, 7800, 2500, 350, 3500, 468, V}, {0, 7800, 2500, 350, 3500, 468, V}, {0, 7800, 2500, 350, 2000, 468, V}, // 16-19
        {0, 7800, 2500, 350, 10000, 468, V}, {0, 7800, 2500, 350, 10000, 468, V}, {0, 7800, 2500, 350, 10000, 468, V}, {0, 7800, 2500, 350, 10000, 468, V}, // 20-23
        {0, 7800, 2500, 350, 10000, 468, V}, {0, 7800, 2500, 350, 10000, 468, V}, {0, 7800, 2500, 350, 3500, 468, V}, {0, 7800, 2500, 350, 3500, 468, V}, // 24-27
        {1, 1300, 9400, 350, 4000, 520, V}, {0, 700, 13800, 2300, 400, 406, H}, {1, 700, 13800, 350, 400, 406, H}, {1, 1100, 13800, 350, 400, 406, H}, // 28-31
        {1, 1500, 13800, 350, 400, 406, H}, {1, 2000, 13800, 350, 400, 406, H}, {1, 2400, 13800, 350, 400, 406, H}, {1, 2800, 13800, 350, 400, 406, H}, // 32-35
        {1, 3200, 13800, 350, 400, 406, H}, {0, 2700, 3400, 350, 2000, 468, V}, {0, 2700, 5400, 350, 8000, 468, V}, {1, 2700, 5400, 350, 8000, 468, V}, // 36-39
        {1, 2000, 7400, 350, 6000, 468, V}, {0, 3400, 9900, 350, 3500, 468, V}, {0, 3400, 9900, 350, 3500, 468, V}, {0, 3400, 9900, 350, 3500, 468, V}, // 40-43
        {0, 4100, 6700, 350, 6700, 468, V}, {0, 4100, 6700, 350, 6700, 468, V}, {0, 3400, 3400, 350, 6500, 468, V}, {0, 3400, 3400, 350, 6500, 468, V}, // 44-47
    }}},
    {3, {{
        {0, 5000, 4100, 500, 8000, 900, V}, {1, 5000, 4100, 500, 9000, 900, V}, {0, 5000, 12100, 500, 1000, 900, V}, {0, 3500, 1220, 4200, 700, 700, H}, // 0-3
        {1, 3500, 1220, 400, 700, 700, H}, {1, 4200, 1220, 400, 700, 700, H}, {1, 4900, 1220, 400, 700, 700, H}, {1, 5650, 1220, 400, 700, 700, H}, // 4-7
        {1, 6350, 1220, 400, 700, 700, H}, {1, 7000, 1220, 400, 700, 700, H}, {1, 7700, 1220, 400, 700, 700, H}, {0, 8000, 3100, 350, 1500, 512, V}, // 8-11
        {0, 8000, 3100, 350, 16000, 512, V}, {1, 8000, 3100, 350, 16000, 512, V}, {1, 7200, 3100, 350, 16000, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, // 12-15
        {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 2000, 512, V}, // 16-19
        {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, // 20-23
        {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, // 24-27
        {0, 1200, 15000, 350, 3600, 512, V}, {0, 500, 18600, 2300, 500, 468, H}, {0, 500, 18600, 350, 500, 468, H}, {0, 900, 18600, 350, 500, 468, H}, // 28-31
        {0, 1300, 18600, 350, 500, 468, H}, {0, 1800, 18600, 350, 500, 468, H}, {0, 2200, 18600, 350, 500, 468, H}, {0, 2600, 18600, 350, 500, 468, H}, // 32-35
        {0, 3000, 18600, 350, 500, 468, H}, {0, 2400, 10300, 300, 2000, 370, V}, {0, 2400, 12300, 300, 6300, 370, V}, {0, 2400, 12300, 300, 6300, 370, V}, // 36-39
        {0, 1800, 12300, 300, 6300, 370, V}, {0, 3000, 15100, 300, 3500, 370, V}, {0, 3000, 15100, 300, 3500, 370, V}, {0, 3000, 15100, 300, 3500, 370, V}, // 40-43
        {0, 3600, 11900, 300, 6700, 370, V}, {0, 3600, 11900, 300, 6700, 370, V}, {0, 3000, 10300, 300, 4800, 370, V}, {0, 3000, 10300, 300, 4800, 370, V}, // 44-47
    }}},
    {4, {{
        {0, 5000, 4100, 500, 8000, 900, V}, {0, 5000, 4100, 500, 9000, 900, V}, {0, 5000, 12100, 500, 1000, 900, V}, {0, 3500, 1220, 4200, 700, 700, H}, // 0-3
        {0, 3500, 1220, 400, 700, 700, H}, {0, 4200, 1220, 400, 700, 700, H}, {0, 4900, 1220, 400, 700, 700, H}, {0, 5650, 1220, 400, 700, 700, H}, // 4-7
        {0, 6350, 1220, 400, 700, 700, H}, {0, 7000, 1220, 400, 700, 700, H}, {0, 7700, 1220, 400, 700, 700, H}, {0, 8000, 3100, 350, 1500, 512, V}, // 8-11
        {0, 8000, 3100, 350, 16000, 512, V}, {0, 8000, 3100, 350, 16000, 512, V}, {0, 7200, 3100, 350, 16000, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, // 12-15
        {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 2000, 512, V}, // 16-19
        {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, // 20-23
        {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, // 24-27
        {1, 1200, 15000, 350, 3600, 512, V}, {1, 500, 18600, 2300, 500, 468, H}, {0, 500, 18600, 350, 500, 468, H}, {0, 900, 18600, 350, 500, 468, H}, // 28-31
        {0, 1300, 18600, 350, 500, 468, H}, {0, 1800, 18600, 350, 500, 468, H}, {0, 2200, 18600, 350, 500, 468, H}, {0, 2600, 18600, 350, 500, 468, H}, // 32-35
        {0, 3000, 18600, 350, 500, 468, H}, {0, 2400, 10300, 300, 2000, 370, V}, {0, 2400, 12300, 300, 6300, 370, V}, {1, 2400, 12300, 300, 6300, 370, V}, // 36-39
        {1, 1800, 12300, 300, 6300, 370, V}, {0, 3000, 15100, 300, 3500, 370, V}, {0, 3000, 15100, 300, 3500, 370, V}, {0, 3000, 15100, 300, 3500, 370, V}, // 40-43
        {0, 3600, 11900, 300, 6700, 370, V}, {0, 3600, 11900, 300, 6700, 370, V}, {0, 3000, 10300, 300, 4800, 370, V}, {0, 3000, 10300, 300, 4800, 370, V}, // 44-47
    }}},
    {13, {{
        {0, 5000, 4100, 500, 8000, 900, V}, {1, 5000, 4100, 500, 9000, 900, V}, {0, 5000, 12100, 500, 1000, 900, V}, {0, 3500, 1220, 4200, 700, 700, H}, // 0-3
        {1, 3500, 1220, 400, 700, 700, H}, {1, 4200, 1220, 400, 700, 700, H}, {1, 4900, 1220, 400, 700, 700, H}, {1, 5650, 1220, 400, 700, 700, H}, // 4-7
        {1, 6350, 1220, 400, 700, 700, H}, {1, 7000, 1220, 400, 700, 700, H}, {1, 7700, 1220, 400, 700, 700, H}, {0, 8000, 3100, 350, 1500, 512, V}, // 8-11
        {0, 8000, 3100, 350, 16000, 512, V}, {1, 8000, 3100, 350, 16000, 512, V}, {1, 7200, 3100, 350, 16000, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, // 12-15
        {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 2000, 512, V}, // 16-19
        {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, // 20-23
        {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, // 24-27
        {0, 1200, 17000, 350, 3600, 512, V}, {0, 500, 20600, 2300, 500, 468, H}, {0, 500, 18600, 350, 500, 468, H}, {0, 900, 18600, 350, 500, 468, H}, // 28-31
        {0, 1300, 18600, 350, 500, 468, H}, {0, 1800, 18600, 350, 500, 468, H}, {0, 2200, 18600, 350, 500, 468, H}, {0, 2600, 18600, 350, 500, 468, H}, // 32-35
        {0, 3000, 18600, 350, 500, 468, H}, {0, 2400, 12300, 300, 2000, 370, V}, {0, 2400, 14300, 300, 6300, 370, V}, {0, 2400, 14300, 300, 6300, 370, V}, // 36-39
        {0, 1800, 14300, 300, 6300, 370, V}, {0, 3000, 17100, 300, 3500, 370, V}, {0, 3000, 17100, 300, 3500, 370, V}, {0, 3000, 17100, 300, 3500, 370, V}, // 40-43
        {0, 3600, 13900, 300, 6700, 370, V}, {0, 3600, 13900, 300, 6700, 370, V}, {0, 3000, 12300, 300, 4800, 370, V}, {0, 3000, 12300, 300, 4800, 370, V}, // 44-47
    }}},
    {14, {{
        {0, 5000, 4100, 500, 8000, 900, V}, {0, 5000, 4100, 500, 9000, 900, V}, {0, 5000, 12100, 500, 1000, 900, V}, {0, 3500, 1220, 4200, 700, 700, H}, // 0-3
        {0, 3500, 1220, 400, 700, 700, H}, {0, 4200, 1220, 400, 700, 700, H}, {0, 4900, 1220, 400, 700, 700, H}, {0, 5650, 1220, 400, 700, 700, H}, // 4-7
        {0, 6350, 1220, 400, 700, 700, H}, {0, 7000, 1220, 400, 700, 700, H}, {0, 7700, 1220, 400, 700, 700, H}, {0, 8000, 3100, 350, 1500, 512, V}, // 8-11
        {0, 8000, 3100, 350, 16000, 512, V}, {0, 8000, 3100, 350, 16000, 512, V}, {0, 7200, 3100, 350, 16000, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, // 12-15
        {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 2000, 512, V}, // 16-19
        {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, // 20-23
        {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 10000, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, {0, 6400, 3100, 350, 3500, 512, V}, // 24-27
        {1, 1200, 17000, 350, 3600, 512, V}, {1, 500, 20600, 2300, 500, 468, H}, {0, 500, 18600, 350, 500, 468, H}, {0, 900, 18600, 350, 500, 468, H}, // 28-31
        {0, 1300, 18600, 350, 500, 468, H}, {0, 1800, 18600, 350, 500, 468, H}, {0, 2200, 18600, 350, 500, 468, H}, {0, 2600, 18600, 350, 500, 468, H}, // 32-35
        {0, 3000, 18600, 350, 500, 468, H}, {0, 2400, 12300, 300, 2000, 370, V}, {0, 2400, 14300, 300, 6300, 370, V}, {1, 2400, 14300, 300, 6300, 370, V}, // 36-39
        {1, 1800, 14300, 300, 6300, 370, V}, {0, 3000, 17100, 300, 3500, 370, V}, {0, 3000, 17100, 300, 3500, 370, V}, {0, 3000, 17100, 300, 3500, 370, V}, // 40-43
        {0, 3600, 13900, 300, 6700, 370, V}, {0, 3600, 13900, 300, 6700, 370, V}, {0, 3000, 12300, 300, 4800, 370, V}, {0, 3000, 12300, 300, 4800, 370, V}, // 44-47
    }}},
    {5, {{
        {0, 6700, 5000, 600, 9000, 1000, V}, {1, 6700, 5000, 600, 10000, 1000, V}, {0, 6700, 14000, 600, 1000, 1000, V}, {0, 6560, 1275, 4200, 700, 700, H}, // 0-3
        {1, 6560, 1275, 400, 700, 700, H}, {1, 7260, 1275, 400, 700, 700, H}, {1, 7960, 1275, 400, 700, 700, H}, {1, 8720, 1275, 400, 700, 700, H}, // 4-7
        {1, 9400, 1275, 400, 700, 700, H}, {1, 10080, 1275, 400, 700, 700, H}, {1, 10760, 1275, 400, 700, 700, H}, {0, 11000, 3100, 350, 1500, 700, V}, // 8-11
        {0, 11000, 3100, 350, 16000, 700, V}, {1, 11000, 3100, 350, 16000, 700, V}, {1, 10100, 3100, 350, 16000, 700, V}, {0, 9200, 3100, 350, 3500, 700, V}, // 12-15
        {0, 9200, 3100, 350, 3500, 700, V}, {0, 9200, 3100, 350, 3500, 700, V}, {0, 9200, 3100, 350, 3500, 700, V}, {0, 9200, 3100, 350, 2000, 700, V}, // 16-19
        {0, 9200, 3100, 350, 10000, 700, V}, {0, 9200, 3100, 350, 10000, 700, V}, {0, 9200, 3100, 350, 10000, 700, V}, {0, 9200, 3100, 350, 10000, 700, V}, // 20-23
        {0, 9200, 3100, 350, 10000, 700, V}, {0, 9200, 3100, 350, 10000, 700, V}, {0, 9200, 3100, 350, 3500, 700, V}, {0, 9200, 3100, 350, 3500, 700, V}, // 24-27
        {0, 1400, 16900, 350, 4000, 600, V}, {0, 700, 21100, 2600, 600, 600, H}, {0, 700, 21100, 350, 600, 600, H}, {0, 1100, 21100, 350, 600, 600, H}, // 28-31
        {0, 1500, 21100, 350, 600, 600, H}, {0, 2000, 21100, 350, 600, 600, H}, {0, 2400, 21100, 350, 600, 600, H}, {0, 2800, 21100, 350, 600, 600, H}, // 32-35
        {0, 3200, 21100, 350, 600, 600, H}, {0, 2800, 11900, 300, 2000, 468, V}, {0, 2800, 13900, 300, 7000, 468, V}, {0, 2800, 13900, 300, 7000, 468, V}, // 36-39
        {0, 2200, 13900, 300, 7000, 468, V}, {0, 3400, 17400, 300, 3500, 468, V}, {0, 3400, 17400, 300, 3500, 468, V}, {0, 3400, 17400, 300, 3500, 468, V}, // 40-43
        {0, 4000, 14200, 300, 6700, 468, V}, {0, 4000, 14200, 300, 6700, 468, V}, {0, 3400, 11900, 300, 5500, 468, V}, {0, 3400, 11900, 300, 5500, 468, V}, // 44-47
    }}},
    {6, {{
        {0, 6700, 5000, 600, 9000, 1000, V}, {0, 6700, 5000, 600, 10000, 1000, V}, {0, 6700, 14000, 600, 1000, 1000, V}, {0, 6350, 1220, 4200, 700, 700, H}, // 0-3
        {0, 6350, 1220, 400, 700, 700, H}, {0, 7050, 1220, 400, 700, 700, H}, {0, 7750, 1220, 400, 700, 700, H}, {0, 8600, 1220, 400, 700, 700, H}, // 4-7
        {0, 9300, 1220, 400, 700, 700, H}, {0, 9900, 1220, 400, 700, 700, H}, {0, 10600, 1220, 400, 700, 700, H}, {0, 11000, 3100, 350, 1500, 700, V}, // 8-11
        {0, 11000, 3100, 350, 16000, 700, V}, {0, 11000, 3100, 350, 16000, 700, V}, {0, 10100, 3100, 350, 16000, 700, V}, {0, 9200, 3100, 350, 3500, 700, V}, // 12-15
        {0, 9200, 3100, 350, 3500, 700, V}, {0, 9200, 3100, 350, 3500, 700, V}, {0, 9200, 3100, 350, 3500, 700, V}, {0, 9200, 3100, 350, 2000, 700, V}, // 16-19
        {0, 9200, 3100, 350, 10000, 700, V}, {0, 9200, 3100, 350, 10000, 700, V}, {0, 9200, 3100, 350, 10000, 700, V}, {0, 9200, 3100, 350, 10000, 700, V}, // 20-23
        {0, 9200, 3100, 350, 10000, 700, V}, {0, 9200, 3100, 350, 10000, 700, V}, {0, 9200, 3100, 350, 3500, 700, V}, {0, 9200, 3100, 350, 3500, 700, V}, // 24-27
        {1, 1400, 16900, 350, 4000, 600, V}, {1, 700, 21100, 2600, 600, 600, H}, {0, 700, 21100, 350, 600, 600, H}, {0, 1100, 21100, 350, 600, 600, H}, // 28-31
        {0, 1500, 21100, 350, 600, 600, H}, {0, 2000, 21100, 350, 600, 600, H}, {0, 2400, 21100, 350, 600, 600, H}, {0, 2800, 21100, 350, 600, 600, H}, // 32-35
        {0, 3200, 21100, 350, 600, 600, H}, {0, 2800, 11900, 300, 2000, 468, V}, {0, 2800, 13900, 300, 7000, 468, V}, {1, 2800, 13900, 300, 7000, 468, V}, // 36-39
        {1, 2200, 13900, 300, 7000, 468, V}, {0, 3400, 17400, 300, 3500, 468, V}, {0, 3400, 17400, 300, 3500, 468, V}, {0, 3400, 17400, 300, 3500, 468, V}, // 40-43
        {0, 4000, 14200, 300, 6700, 468, V}, {0, 4000, 14200, 300, 6700, 468, V}, {0, 3400, 11900, 300, 5500, 468, V}, {0, 3400, 11900, 300, 5500, 468, V}, // 44-47
    }}},
    {7, {{
        {0, 800, 2900, 6000, 900, 768, H}, {1, 800, 2900, 7000, 900, 768, H}, {0, 6800, 2900, 1000, 900, 768, H}, {1, 1200, 500, 3000, 600, 468, H}, // 0-3
        {0, 1200, 500, 400, 600, 468, H}, {0, 1600, 500, 400, 600, 468, H}, {0, 2000, 500, 400, 600, 468, H}, {0, 2500, 500, 400, 600, 468, H}, // 4-7
        {0, 2900, 500, 400, 600, 468, H}, {0, 3300, 500, 400, 600, 468, H}, {0, 3700, 500, 400, 600, 468, H}, {0, 600, 1300, 1500, 600, 468, H}, // 8-11
        {0, 600, 1300, 7500, 600, 468, H}, {1, 600, 1300, 7500, 600, 468, H}, {1, 600, 2000, 7500, 600, 468, H}, {0, 600, 2000, 3500, 600, 468, H}, // 12-15
        {0, 600, 2000, 3500, 600, 468, H}, {0, 600, 2000, 3500, 600, 468, H}, {0, 600, 2000, 3500, 600, 468, H}, {0, 600, 2000, 2000, 600, 468, H}, // 16-19
        {0, 600, 2000, 7500, 600, 468, H}, {0, 600, 2000, 7500, 600, 468, H}, {0, 600, 2000, 7500, 600, 468, H}, {0, 600, 2000, 7500, 600, 468, H}, // 20-23
        {0, 600, 2000, 7500, 600, 468, H}, {0, 600, 2000, 7500, 600, 468, H}, {0, 600, 2000, 3500, 600, 468, H}, {0, 600, 2000, 3500, 600, 468, H}, // 24-27
        {0, 800, 2900, 7000, 900, 768, H}, {0, 1200, 500, 3000, 600, 468, H}, {0, 1200, 500, 400, 600, 468, H}, {0, 1600, 500, 400, 600, 468, H}, // 28-31
        {0, 2000, 500, 400, 600, 468, H}, {0, 2500, 500, 400, 600, 468, H}, {0, 2900, 500, 400, 600, 468, H}, {0, 3300, 500, 400, 600, 468, H}, // 32-35
        {0, 3700, 500, 400, 600, 468, H}, {0, 600, 1300, 1500, 600, 468, H}, {0, 600, 1300, 7500, 600, 468, H}, {0, 600, 1300, 7500, 600, 468, H}, // 36-39
        {0, 600, 2000, 7500, 600, 468, H}, {0, 600, 2000, 3500, 600, 468, H}, {0, 600, 2000, 3500, 600, 468, H}, {0, 600, 2000, 3500, 600, 468, H}, // 40-43
        {0, 600, 2000, 7500, 600, 468, H}, {0, 600, 2000, 7500, 600, 468, H}, {0, 600, 2000, 7500, 600, 468, H}, {0, 600, 2000, 7500, 600, 468, H}, // 44-47
    }}},
}};
// clang-format on

// Slots 48 to 52: free texts, vertical on cards and envelopes, horizontal on labels.
struct FreeSlot {
    bool shown;
    std::int32_t x, y, width, height;
    Direction vertical;
    const char* text;
};
constexpr std::int32_t kFreeSlotFontHeight = 468;
// clang-format off
constexpr std::array<FreeSlot, 5> kCardFreeSlots{{
    {false, 600, 1000, 350, 5000, V, "自由01"},
    {false, 1200, 1000, 350, 5000, V, "自由02"},
    {false, 1800, 1000, 350, 5000, V, "自由03"},
    {false, 2100, 1000, 350, 5000, V, "自由04"},
    {false, 2400, 1000, 350, 5000, V, "自由05"},
}};
constexpr std::array<FreeSlot, 5> kLabelFreeSlots{{
    {true, 500, 500, 600, 600, H, "〒"},
    {false, 2100, 500, 300, 600, H, "-"},
    {false, 500, 1000, 7500, 600, H, "自由03"},
    {false, 500, 1000, 7500, 600, H, "自由04"},
    {false, 500, 1000, 7500, 600, H, "自由05"},
}};
// clang-format on

constexpr std::uint16_t kDefaultDashCode = 0x815C; // "―"
// The blank Japan Post asks for around the barcode, and the margin kept from a
// label's edge, which cutting may take.
constexpr std::int32_t kBarcodeBlank = 200;
constexpr std::int32_t kLabelEdge = 100;
// The addressee's name with its honorific.
constexpr std::size_t kNameSlot = 1;
constexpr std::int32_t kEditorWidthMm = 100, kEditorHeightMm = 148, kEditorWidthPx = 320, kEditorHeightPx = 470;

std::size_t KindIndex(int kind)
{
    for (std::size_t i = 0; i < kFormKinds.size(); ++i)
        if (kFormKinds[i].kind == kind)
            return i;
    return 1; // the postcard
}

static_assert([] {
    for (std::size_t i = 0; i < kFormKinds.size(); ++i)
        if (kKindSlots[i].kind != kFormKinds[i].kind)
            return false;
    return true;
}());

// CP932 copies of one column of the catalogue, made once.
template <auto Member> const std::string& CatalogueText(int slot)
{
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> v;
        for (const SlotCatalogueEntry& e : kSlotCatalogue)
            v.push_back(e.*Member ? platform::Utf8ToSjis(e.*Member) : std::string());
        return v;
    }();
    static const std::string none;
    return slot >= 0 && slot < kLayoutSlots ? texts[static_cast<std::size_t>(slot)] : none;
}

void SetSlot(LayoutItem& item, int slot, bool shown, std::int32_t x, std::int32_t y, std::int32_t width,
    std::int32_t height, std::int32_t fontHeight, bool vertical, const std::string& text)
{
    TextItem& o = item.object;
    item.shown = shown;
    o.SetScale(kEditorWidthMm, kEditorHeightMm, kEditorWidthPx, kEditorHeightPx);
    item.fieldName = SlotFieldName(slot);
    o.SetFaceName(vertical ? SJ("@ＭＳ ゴシック") : SJ("ＭＳ ゴシック"));
    o.SetVertical(vertical);
    o.SetPosition(x, y);
    o.SetWidth(width);
    o.SetHeight(height);
    o.SetFontHeight(fontHeight);
    o.SetText(text);
}

} // namespace

const FormKindInfo& FormKindOf(int kind)
{
    return kFormKinds[KindIndex(kind)];
}

const std::string& FormTypeName(int kind)
{
    static const auto names = [] {
        std::array<std::string, kFormKinds.size()> n;
        for (std::size_t i = 0; i < n.size(); ++i)
            n[i] = platform::Utf8ToSjis(kFormKinds[i].typeName);
        return n;
    }();
    return names[KindIndex(kind)];
}

const std::string& SlotFieldName(int slot)
{
    return CatalogueText<&SlotCatalogueEntry::fieldName>(slot);
}

const std::string& SlotSample(int slot)
{
    return slot == kBarcodeSlot ? BarcodeSample() : CatalogueText<&SlotCatalogueEntry::sample>(slot);
}

const std::string& BarcodeSample()
{
    // The manual's own first example, 100-0013 霞が関1丁目3番2号 郵便プラザ503室.
    static const std::string bars = EncodeCustomerBarcode("1000013", "1-3-2-503")->Bars();
    return bars;
}

bool OffersCustomerBarcode(int kind, const LayoutHeader& header)
{
    return header.labelSheet != 0 || kind == kFormEnvelope4Front || kind == kFormEnvelope3Front
        || kind == kFormEnvelope40Front;
}

const std::string& SlotEditorName(int slot)
{
    return CatalogueText<&SlotCatalogueEntry::editorName>(slot);
}

const std::string& SlotEditorSample(int slot)
{
    return slot == kBarcodeSlot ? BarcodeSample() : CatalogueText<&SlotCatalogueEntry::editorSample>(slot);
}

void ApplyDefaultLayout(int kind, LayoutHeader& header, LayoutTable& items)
{
    const std::size_t k = KindIndex(kind);
    const FormKindInfo& info = kFormKinds[k];
    header.printerSettings = 0;
    header.paperWidth = info.paperWidth;
    header.paperHeight = info.paperHeight;
    header.backgroundImage = info.backgroundImage;
    header.reservedFlag = 0;
    header.labelSheet = info.labelSheet ? 1 : 0;
    header.sheetWidth = info.sheetWidth;
    header.sheetHeight = info.sheetHeight;
    header.marginLeft = info.marginLeft;
    header.marginTop = info.marginTop;
    header.gapX = info.gapX;
    header.gapY = info.gapY;
    header.columns = info.columns;
    header.rows = info.rows;
    header.dashCode = kDefaultDashCode;
    if (info.kind == kFormNewYearCard)
        header.kanjiNumerals = 0;
    header.formKind = 0;
    header.printPrefecture = 0;
    header.barcodeMoved = false;

    for (int slot = 0; slot < 48; ++slot) {
        const SlotDefault& d = kKindSlots[k].slots[static_cast<std::size_t>(slot)];
        SetSlot(items[static_cast<std::size_t>(slot)], slot, d.shown, d.x, d.y, d.width, d.height, d.fontHeight,
            d.vertical, SlotSample(slot));
    }
    const auto& free = info.labelSheet ? kLabelFreeSlots : kCardFreeSlots;
    static const auto cardTexts = [] {
        std::array<std::string, 5> t;
        for (std::size_t i = 0; i < t.size(); ++i)
            t[i] = platform::Utf8ToSjis(kCardFreeSlots[i].text);
        return t;
    }();
    static const auto labelTexts = [] {
        std::array<std::string, 5> t;
        for (std::size_t i = 0; i < t.size(); ++i)
            t[i] = platform::Utf8ToSjis(kLabelFreeSlots[i].text);
        return t;
    }();
    const auto& texts = info.labelSheet ? labelTexts : cardTexts;
    for (std::size_t i = 0; i < free.size(); ++i) {
        const FreeSlot& f = free[i];
        const int slot = 48 + static_cast<int>(i);
        SetSlot(items[static_cast<std::size_t>(slot)], slot, f.shown, f.x, f.y, f.width, f.height, kFreeSlotFontHeight,
            f.vertical, texts[i]);
    }

    // The barcode at its smallest size, hidden: centred at the bottom of a card or
    // envelope, clear of the 10 mm border Japan Post keeps free (on a 長形3号 envelope
    // where its address columns end, the blank the manual asks for above it); on a
    // label inside the cell under the address.
    const BarcodeGeometry bars;
    const auto width = TextItem::Trunc(bars.Width());
    const std::int32_t x = (info.paperWidth - width) / 2;
    std::int32_t y = info.paperHeight - 1000 - bars.longBar;
    if (info.kind == kFormEnvelope3Front) {
        const SlotDefault& address = kKindSlots[k].slots[13];
        y = address.y + address.height + kBarcodeBlank;
    }
    SetSlot(items[kBarcodeSlot], kBarcodeSlot, false, x, y, width, bars.longBar, TextItem::kDefaultFontHeight, H,
        BarcodeSample());

    // Joint names and company lines start hidden where they print beside the name:
    // the joint names one column left of it (one line below on a line), the company
    // and department in the two columns right of it in smaller type. On a line the name
    // moves down under them; their own item starts on the two lines above it.
    const SlotDefault& name = kKindSlots[k].slots[kNameSlot];
    const bool vertical = name.vertical == V;
    SetSlot(items[kJointNameSlot], kJointNameSlot, false, vertical ? name.x - 2 * name.width : name.x,
        vertical ? name.y : name.y + name.height, name.width, name.height, name.fontHeight, name.vertical,
        SlotSample(kJointNameSlot));
    const auto smaller = [](std::int32_t v) { return v * kSmallerTypePercent / 100; };
    const std::int32_t smallWidth = vertical ? smaller(name.width) : name.width;
    const std::int32_t smallHeight = vertical ? name.height : smaller(name.height);
    // A smaller column is set from the name's right edge less half the difference of
    // the type, so it stands on the name's middle.
    const std::int32_t companyX
        = vertical ? name.x - (name.fontHeight - smaller(name.fontHeight)) / 2 + 2 * (2 * smallWidth) : name.x;
    SetSlot(items[kCompanySlot], kCompanySlot, false, companyX, vertical ? name.y : name.y - 2 * smallHeight,
        smallWidth, smallHeight, smaller(name.fontHeight), name.vertical, SlotSample(kCompanySlot));
    if (info.labelSheet)
        PlaceLabelBarcode(header, items);
}

namespace {

// The lowest edge of the shown texts of a label cell (0 when none is shown).
std::int32_t LowestTextEdge(const LayoutTable& items)
{
    std::int32_t lowest = 0;
    for (int slot = 0; slot < kLayoutSlots; ++slot) {
        const LayoutItem& item = items[static_cast<std::size_t>(slot)];
        if (slot != kBarcodeSlot && item.shown)
            lowest = std::max(lowest, item.object.Y() + item.object.Height());
    }
    return lowest;
}

} // namespace

void PlaceLabelBarcode(const LayoutHeader& header, LayoutTable& items)
{
    TextItem& bars = items[kBarcodeSlot].object;
    const BarcodeGeometry g = BarcodeGeometry::ForHeight(bars.Height());
    const auto width = TextItem::Trunc(g.Width());
    // Under the address, left-aligned with it where the cell is wide enough, else centred.
    const std::int32_t left = items[13].shown ? items[13].object.X() : bars.X();
    const std::int32_t x = left >= 0 && left + width <= header.paperWidth - kLabelEdge
        ? left
        : std::max((header.paperWidth - width) / 2, 0);
    std::int32_t y = LowestTextEdge(items) + kBarcodeBlank;
    if (y + g.longBar > header.paperHeight - kLabelEdge)
        y = std::max(header.paperHeight - kLabelEdge - g.longBar, 0);
    bars.SetPosition(x, y);
}

bool BarcodeInsideCell(const LayoutHeader& header, const LayoutItem& barcode)
{
    const TextItem& bars = barcode.object;
    const BarcodeGeometry g = BarcodeGeometry::ForHeight(bars.Height());
    return bars.X() >= 0 && bars.Y() >= 0 && bars.X() + g.Width() <= header.paperWidth
        && bars.Y() + g.longBar <= header.paperHeight;
}

bool KeepLabelBarcodeInCell(LayoutHeader& header, LayoutTable& items)
{
    if (header.labelSheet == 0 || BarcodeInsideCell(header, items[kBarcodeSlot]))
        return false;
    PlaceLabelBarcode(header, items);
    return items[kBarcodeSlot].shown;
}

int FormKindOfName(std::string_view name)
{
    if (name.size() < 4)
        return kFormPostcard;
    if (name.substr(0, 4) == SJ("年賀"))
        return kFormNewYearCard;
    if (name.substr(0, 4) != SJ("封筒"))
        return kFormPostcard;
    const std::string& back = SJ("裏");
    for (std::size_t i = 0; i < name.size(); i += platform::CharLength(name, i))
        if (name.substr(i, back.size()) == back)
            return kFormEnvelope4Back;
    return kFormEnvelope4Front;
}

} // namespace nrt
