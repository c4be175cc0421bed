#include "postal/Prefectures.h"

#include "platform/sjis.h"

#include <vector>

namespace nrt {
namespace {

const std::vector<std::string>& Names()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        v.reserve(kPrefectureCount + 1);
        for (auto utf8 : kPrefectureNamesUtf8)
            v.push_back(platform::Utf8ToSjis(utf8));
        v.emplace_back(); // what an index out of range gets
        return v;
    }();
    return names;
}

} // namespace

const std::string& PrefectureName(int index)
{
    const auto& names = Names();
    return (index >= 0 && index < kPrefectureCount) ? names[static_cast<std::size_t>(index)] : names.back();
}

int PrefectureIndex(std::string_view name)
{
    const auto& names = Names();
    for (int i = 0; i < kPrefectureCount; ++i)
        if (names[static_cast<std::size_t>(i)] == name)
            return i;
    return -1;
}

} // namespace nrt
