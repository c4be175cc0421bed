#pragma once
// The 47 prefectures in their fixed order; the index is the number used in the postal
// dictionary's file names and the order of the input form's prefecture list.

#include <array>
#include <string>
#include <string_view>

namespace nrt {

inline constexpr int kPrefectureCount = 47;

inline constexpr std::array<std::string_view, kPrefectureCount> kPrefectureNamesUtf8 = {
    "北海道",
    "青森県",
    "岩手県",
    "宮城県",
    "秋田県",
    "山形県",
    "福島県",
    "茨城県",
    "栃木県",
    "群馬県",
    "埼玉県",
    "千葉県",
    "東京都",
    "神奈川県",
    "新潟県",
    "富山県",
    "石川県",
    "福井県",
    "山梨県",
    "長野県",
    "岐阜県",
    "静岡県",
    "愛知県",
    "三重県",
    "滋賀県",
    "京都府",
    "大阪府",
    "兵庫県",
    "奈良県",
    "和歌山県",
    "鳥取県",
    "島根県",
    "岡山県",
    "広島県",
    "山口県",
    "徳島県",
    "香川県",
    "愛媛県",
    "高知県",
    "福岡県",
    "佐賀県",
    "長崎県",
    "熊本県",
    "大分県",
    "宮崎県",
    "鹿児島県",
    "沖縄県",
};

// The CP932 name of prefecture `index`; the empty text outside 0..46.
const std::string& PrefectureName(int index);
// The index of a CP932 prefecture name (exact bytes), or -1.
int PrefectureIndex(std::string_view name);

} // namespace nrt
