#pragma once
// The settings of "NrtUser.ini": one table gives every key with its section, type,
// default and (for texts) its size, in the order the keys are written.

#include "settings/IniFile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nrt {

// clang-format off
enum SettingId : int {
    kS_EraDates, kS_Furigana, kS_Full, kS_ScalePercent,
    kS_MailHost, kS_MailPort, kS_MailAuth, kS_MailUser, kS_MailPassword, kS_MailWrap, kS_MailTimeout,
    kS_MailFlag1, kS_MailFlag2, kS_MailFlag3, kS_MailFlag4, kS_MailSsl,
    kS_MailRestEvery, kS_MailRestSeconds, kS_MailCaFile, kS_MailClearAuth, kS_MailRetryWaits,
    kS_MonthlyBackupMonth, kS_KeptBack2Date,
    kS_FolderBackupOn, kS_FolderBackupPath, kS_FolderBackupSets, kS_FolderBackupInterval, kS_FolderBackupGeneration, kS_FolderBackupDate,
    kS_Form0Left, kS_Form0Top, kS_Form0Width, kS_Form0Height,
    kS_Form1Left, kS_Form1Top, kS_Form1Width, kS_Form1Height,
    kS_Form2Left, kS_Form2Top, kS_Form2Width, kS_Form2Height,
    kS_KanaChecked,
    kS_Count
};
// clang-format on

enum class SettingType { Bool, Int, Text };

struct SettingKey {
    const char* section;
    const char* key;
    SettingType type;
    std::int32_t defaultValue; // numbers and flags
    std::size_t maxBytes; // texts: longest value without its terminator
};

// clang-format off
inline constexpr std::array<SettingKey, kS_Count> kBookSettingKeys{{
    {"OPT", "WAREKI", SettingType::Bool, 1, 0},
    {"OPT", "FURIGANA", SettingType::Bool, 1, 0},
    {"OPT", "FULL", SettingType::Bool, 0, 0},
    {"OPT", "RITU", SettingType::Int, 100, 0},
    {"MAIL", "HOST", SettingType::Text, 0, 52},
    {"MAIL", "PORTNO", SettingType::Int, 25, 0},
    {"MAIL", "SMTP", SettingType::Int, 0, 0},
    {"MAIL", "USER", SettingType::Text, 0, 63},
    {"MAIL", "PASSWORD", SettingType::Text, 0, 51},
    {"MAIL", "TURN", SettingType::Int, 80, 0},
    {"MAIL", "TIMEOUT", SettingType::Int, 60, 0},
    {"MAIL", "FG1", SettingType::Bool, 1, 0},
    {"MAIL", "FG2", SettingType::Bool, 1, 0},
    {"MAIL", "FG3", SettingType::Bool, 1, 0},
    {"MAIL", "FG4", SettingType::Bool, 1, 0},
    {"MAIL", "SSL", SettingType::Int, 0, 0}, // 0 none, 1 STARTTLS, 2 TLS from the first byte
    {"MAIL", "RESTCOUNT", SettingType::Int, 100, 0}, // messages between two rests; 0 no rests
    {"MAIL", "RESTSEC", SettingType::Int, 60, 0}, // seconds of a rest; 0 no rests
    {"MAIL", "CAFILE", SettingType::Text, 0, 263}, // PEM certificates trusted besides the system's
    {"MAIL", "CLEARAUTH", SettingType::Bool, 0, 0}, // LOGIN/PLAIN without TLS to another machine
    {"MAIL", "RETRYWAIT", SettingType::Text, 0, 63}, // seconds before each new try after a 4xx; empty: 60,300,900
    {"BACK", "YM", SettingType::Int, 0, 0},
    {"BACK2", "YMD", SettingType::Int, 0, 0},
    {"HBACK", "ON", SettingType::Int, 0, 0},
    {"HBACK", "PATH", SettingType::Text, 0, 263},
    {"HBACK", "SU", SettingType::Int, 3, 0},
    {"HBACK", "HINDO", SettingType::Int, 7, 0},
    {"HBACK", "SU_CU", SettingType::Int, 0, 0},
    {"HBACK", "YMD", SettingType::Int, 0, 0},
    {"FORM0", "LEFT", SettingType::Int, 0, 0}, {"FORM0", "TOP", SettingType::Int, 0, 0},
    {"FORM0", "WIDTH", SettingType::Int, 0, 0}, {"FORM0", "HEIGHT", SettingType::Int, 0, 0},
    {"FORM1", "LEFT", SettingType::Int, 0, 0}, {"FORM1", "TOP", SettingType::Int, 0, 0},
    {"FORM1", "WIDTH", SettingType::Int, 0, 0}, {"FORM1", "HEIGHT", SettingType::Int, 0, 0},
    {"FORM2", "LEFT", SettingType::Int, 0, 0}, {"FORM2", "TOP", SettingType::Int, 0, 0},
    {"FORM2", "WIDTH", SettingType::Int, 0, 0}, {"FORM2", "HEIGHT", SettingType::Int, 0, 0},
    {"KANA", "CHECKED", SettingType::Bool, 0, 0}, // the book's stored readings were checked once
}};
// clang-format on

// The mail wrap width is kept within these bounds however it is set.
inline constexpr std::int32_t kMailWrapMin = 10;
inline constexpr std::int32_t kMailWrapMax = 255;
inline constexpr std::int32_t kMailRestMax = 9999; // messages or seconds of the mailing's rests

// The values of the table above. Flags are held as the integers read (non-zero = on)
// and written as "1"/"0"; texts longer than their size are cut at a whole character.
class BookSettings {
public:
    BookSettings() { Reset(); }

    void Reset();
    // Every key from the file; a missing key or an unreadable number gives the default.
    void ReadFrom(const IniFile& ini);
    // Every key, in table order.
    void WriteTo(IniFile& ini) const;

    std::int32_t Int(SettingId id) const { return numbers_[id]; }
    bool Flag(SettingId id) const { return numbers_[id] != 0; }
    const std::string& Text(SettingId id) const { return texts_[id]; }
    void SetInt(SettingId id, std::int32_t value);
    void SetFlag(SettingId id, bool on) { SetInt(id, on ? 1 : 0); }
    void SetText(SettingId id, std::string_view text);

    bool operator==(const BookSettings&) const = default;

private:
    std::array<std::int32_t, kS_Count> numbers_ {};
    std::array<std::string, kS_Count> texts_ {};
};

} // namespace nrt
