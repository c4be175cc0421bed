#include "settings/BookSettings.h"

#include "platform/sjis.h"

#include <algorithm>

namespace nrt {

void BookSettings::Reset()
{
    for (int id = 0; id < kS_Count; ++id) {
        numbers_[id] = kBookSettingKeys[id].defaultValue;
        texts_[id].clear();
    }
}

void BookSettings::SetInt(SettingId id, std::int32_t value)
{
    // A wrap width outside its bounds would make the mail body unbreakable or endless.
    if (id == kS_MailWrap)
        value = std::clamp(value, kMailWrapMin, kMailWrapMax);
    if (id == kS_MailSsl && (value < 0 || value > 2))
        value = 0; // a value of no known choice reads as the default
    if (id == kS_MailRestEvery || id == kS_MailRestSeconds)
        value = std::clamp(value, 0, kMailRestMax);

    if (kBookSettingKeys[id].type == SettingType::Bool)
        value = value != 0 ? 1 : 0;
    numbers_[id] = value;
}

void BookSettings::SetText(SettingId id, std::string_view text)
{
    // A line break could not be stored in the file; a NUL ends the text anyway.
    const std::size_t end = text.find_first_of(std::string_view("\r\n\0", 3));
    if (end != std::string_view::npos)
        text = text.substr(0, end);
    texts_[id].assign(platform::CutToBytes(text, kBookSettingKeys[id].maxBytes));
}

void BookSettings::ReadFrom(const IniFile& ini)
{
    for (int i = 0; i < kS_Count; ++i) {
        const auto id = static_cast<SettingId>(i);
        const SettingKey& k = kBookSettingKeys[i];
        if (k.type == SettingType::Text) {
            SetText(id, ini.Get(k.section, k.key).value_or(std::string_view()));
            numbers_[id] = k.defaultValue;
        } else {
            SetInt(id, ini.GetInt(k.section, k.key).value_or(k.defaultValue));
            texts_[id].clear();
        }
    }
}

void BookSettings::WriteTo(IniFile& ini) const
{
    for (int i = 0; i < kS_Count; ++i) {
        const SettingKey& k = kBookSettingKeys[i];
        switch (k.type) {
        case SettingType::Text:
            ini.Set(k.section, k.key, texts_[i]);
            break;
        case SettingType::Bool:
            ini.Set(k.section, k.key, numbers_[i] ? "1" : "0");
            break;
        case SettingType::Int:
            ini.SetInt(k.section, k.key, numbers_[i]);
            break;
        }
    }
}

} // namespace nrt
