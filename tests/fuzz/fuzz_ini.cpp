// The settings file reader on arbitrary bytes. What it reads must be written in a form
// that reads back the same: the file as a whole, and every setting of "NrtUser.ini".
#include "settings/BookSettings.h"
#include "settings/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nrt;
    IniFile ini;
    ini.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const IniFile::Section& s : ini.Sections())
        for (const IniFile::Entry& e : s.entries)
            (void)ini.GetInt(s.name, e.key);

    const std::string formatted = ini.Format();
    IniFile again;
    again.Parse(formatted);
    if (again.Format() != formatted)
        std::abort();

    BookSettings settings;
    settings.ReadFrom(ini);
    IniFile written;
    settings.WriteTo(written);
    IniFile reread;
    reread.Parse(written.Format());
    BookSettings back;
    back.ReadFrom(reread);
    if (!(back == settings))
        std::abort();
    return 0;
}
