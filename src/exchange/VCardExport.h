#pragma once
// vCard export: the records of a record set (the main list with its extraction and
// order) as vCard 4.0 cards in UTF-8, which phones and web address books read: the
// name and its reading (full-width katakana, as they show readings), the address, the
// three telephone numbers by kind, mail, home page, birthday, gender, 大分類 as the
// group, the company lines and the two 備考 fields as notes; the fields no other
// program has a property for under properties of this program's own (X-NORTEA-…).
// Every card has the record's UID, stored in the book by the first export (so it stays
// the record's whatever changes); this program's vCard import reads the cards back into
// the same fields and knows a record again by it.

#include "db/FieldCatalogue.h"

#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class AddressTable;
class AppSettings;
class RecordSet;

// The fields other programs have no property for, under properties of this
// program's own (FieldInfo::vCardProperty), in the order cards carry them.
inline constexpr field::Index kVCardOwnFields[] = { field::kHonorific, field::kSubcategory, field::kSubcategory2,
    field::kCardHistory, field::kCardNotes, field::kSender, field::kPrintMark, field::kRegistered, field::kPortrait };
static_assert(std::size(kVCardOwnFields)
    == fieldcatalogue::Count(0, field::kSchemaEnd, [](const FieldInfo& f) { return f.vCardProperty != nullptr; }));

class VCardExport {
public:
    static constexpr std::string_view kProductId = "-//pelora//nortea//JA";
    // NOTE;X-NORTEA-FIELD=2 is 備考２.
    static constexpr std::string_view kNote2Param = "X-NORTEA-FIELD";
    // X-NORTEA-JOINT1 … 3: a joint name and its honorific, as N's parts.
    static constexpr std::string_view kJointProperty = "X-NORTEA-JOINT";

    // The UID of each record of the table (empty for a deleted one): the one it holds,
    // else the one derived from its name and 登録日 ("urn:uuid:…"), which exports gave
    // before a book held them and which StoreUids stores.
    static std::vector<std::string> RecordUids(const AddressTable& table);
    // Whether a record of the table holds no UID yet.
    static bool LacksUids(const AddressTable& table);
    // Gives every record without a UID its RecordUids one (a new one where another
    // record holds that already), the table gaining its UID field when it has none;
    // 更新日 stays. False when a record could not take it (a table of other fields).
    static bool StoreUids(AddressTable& table);

    // Results of Run.
    enum class Result {
        kExported,
        kNoFileName,
        kNotOverwritten,
        kWriteFailed,
    };

    // The file's bytes (UTF-8, lines ending CR LF, folded at 75 bytes).
    static std::string Format(const RecordSet& records);

    // What came of Run, with the text of its closing box: information (caption
    // "住所録") saying how many cards were written for kExported, a warning for the
    // others; no text for kNotOverwritten, whose question said enough.
    struct Outcome {
        Result result = Result::kExported;
        std::string message;
    };

    // Writes the file whole (or not at all), asking before it replaces one. With `save`, records without a UID are
    // given theirs first and `save` writes the book (false: it failed and said so; the
    // export goes on with the UIDs given).
    [[nodiscard]] Outcome Run(std::string_view path, const RecordSet& records, const std::function<bool()>& save = {});
    int ExportedCount() const { return exported_; }

private:
    int exported_ = 0;
};

} // namespace nrt
