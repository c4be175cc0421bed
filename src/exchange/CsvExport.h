#pragma once
// CSV export: the records of a record set (the main list with its extraction and
// order) written as CSV with the fields chosen, in their order, optionally after a
// line of field names. Every value is enclosed in double quotes, a quote inside it
// doubled; lines end with CR LF; values are written as stored (Shift-JIS), or in UTF-8
// when asked for.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class AppSettings;
class RecordSet;

class CsvExport {
public:
    // Results of Run; each refusal has shown its message.
    enum class Result : int {
        kExported = 0,
        kNoFileName = 1, // the window puts the focus on the file name
        kNoFields = 2, // the window puts the focus on the chosen fields
        kDeclined = 3,
        kNotOverwritten = 4,
        kWriteFailed = 5,
    };

    struct Request {
        std::string typedName; // as typed; completed by CompletePath
        std::vector<std::string> fields; // in output order
        bool header = true;
        // The file name becomes entry 2 of "NrtPath.dat".
        bool remember = true;
        // UTF-8 with a byte-order mark (what spreadsheets open as UTF-8) instead of
        // Shift-JIS.
        bool utf8 = false;
    };

    class Observer {
    public:
        virtual ~Observer() = default;
        // The wait cursor while the file is written.
        virtual void Busy(bool /*on*/) { }
    };

    explicit CsvExport(const AppSettings& settings)
        : settings_(settings)
    {
    }

    // A name without a folder lies in the documents folder; ".CSV" is added to a name
    // without an extension.
    std::string CompletePath(std::string_view typed) const;

    // The checks, the questions, the file written whole (or not at all) and the
    // closing message.
    [[nodiscard]] Result Run(const Request& request, const RecordSet& records, Observer* observer = nullptr);
    // The completed file name of the last Run.
    const std::string& Path() const { return path_; }
    int ExportedCount() const { return exported_; }

    // For a file that exists: "既にファイルが存在します。上書きしてよろしいですか？", true
    // on Yes; true without a question for a new file.
    static bool MayReplace(std::string_view path);

    // The bytes of the file: the header line when asked for, then one line per row of
    // the record set. A name that is not a field of the table gives "" in every line.
    static std::string Format(const RecordSet& records, const std::vector<std::string>& fields, bool header);
    // The same bytes handed to `put` in pieces of about 64 KiB, so a large export needs
    // no buffer of its whole size; false as soon as `put` says false.
    static bool FormatInPieces(const RecordSet& records, const std::vector<std::string>& fields, bool header,
        const std::function<bool(std::string_view)>& put);

private:
    const AppSettings& settings_;
    std::string path_;
    int exported_ = 0;
};

} // namespace nrt
