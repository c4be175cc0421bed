#pragma once
// vCard export: the records of a record set (the main list with its extraction and
// order) as vCard 4.0 cards in UTF-8, which phones and web address books read: the
// name and its reading (full-width katakana, as they show readings), the address, the
// three telephone numbers by kind, mail, home page, birthday, gender, 大分類 as the
// group and the two 備考 fields as notes. This program's vCard import reads them back
// into the same fields.

#include <string>
#include <string_view>

namespace nrt {

class AppSettings;
class RecordSet;

class VCardExport {
public:
    // Results of Run; each refusal has shown its message.
    enum Result : int {
        kExported = 0,
        kNoFileName = 1,
        kNotOverwritten = 4,
        kWriteFailed = 5,
    };

    // The file's bytes (UTF-8, lines ending CR LF, folded at 75 bytes).
    static std::string Format(const RecordSet& records);

    // Writes the file whole (or not at all), asking before it replaces one; the closing
    // message says how many cards were written.
    int Run(std::string_view path, const RecordSet& records);
    int ExportedCount() const { return exported_; }

private:
    int exported_ = 0;
};

} // namespace nrt
