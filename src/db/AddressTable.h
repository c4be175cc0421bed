#pragma once
// The address table: schema, packed records and the current-record buffer, with the
// table file "nrt.ndb".

#include "db/FieldDefinition.h"
#include "db/LineList.h"
#include "platform/fs.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace nrt {

// The schema a new table gets. Names are UTF-8 here; DefaultFieldName gives CP932.
struct SchemaField {
    const char* name;
    std::int32_t width;
};
inline constexpr std::array<SchemaField, 24> kDefaultSchema { {
    { "宛名区分", 1 },
    { "印字区分", 1 },
    { "名前", 30 },
    { "カナ", 30 },
    { "敬称", 4 },
    { "性別", 4 },
    { "生年月日", 10 },
    { "郵便番号", 10 },
    { "都道府県", 15 },
    { "住所１", 100 },
    { "住所２", 80 },
    { "電話番号", 15 },
    { "ＦＡＸ", 15 },
    { "携帯番号", 15 },
    { "メール", 100 },
    { "ＨＰ", 100 },
    { "大分類", 30 },
    { "小分類", 30 },
    { "小分類２", 30 },
    { "備考１", 100 },
    { "備考２", 100 },
    { "顔写真", 250 },
    { "更新日", 20 },
    { "登録日", 20 },
} };
// Indices of the default schema, for code that works on it directly.
namespace field {
enum Index : int {
    kSender,
    kPrintMark,
    kName,
    kKana,
    kHonorific,
    kGender,
    kBirthday,
    kPostalCode,
    kPrefecture,
    kAddress1,
    kAddress2,
    kPhone,
    kFax,
    kMobile,
    kMail,
    kHomePage,
    kCategory,
    kSubcategory,
    kSubcategory2,
    kNote1,
    kNote2,
    kPortrait,
    kUpdated,
    kRegistered,
    // The fields a table gains on their first value (kExtendedSchema).
    kJointName1,
    kJointHonorific1,
    kJointName2,
    kJointHonorific2,
    kJointName3,
    kJointHonorific3,
    kCompany,
    kDepartment,
    kTitle,
    kCardHistory,
    kCardNotes,
    kExtendedEnd,
    // The record's own identifier, gained after those the first time a record gets one
    // (kIdentityField); a vCard's UID.
    kUid = kExtendedEnd,
    kSchemaEnd,
};
inline constexpr int kJointNameCount = 3;
} // namespace field
const std::string& DefaultFieldName(int index);

// Fields a table gains after the 24 the first time one of them gets a value: joint
// names with their honorifics, company lines, and the New Year's card history. A book
// that never uses them keeps its 24 fields and its file as it was.
inline constexpr std::array<SchemaField, 11> kExtendedSchema { {
    { "連名１", 30 },
    { "連名１敬称", 4 },
    { "連名２", 30 },
    { "連名２敬称", 4 },
    { "連名３", 30 },
    { "連名３敬称", 4 },
    { "会社名", 60 },
    { "部署", 60 },
    { "役職", 30 },
    { "年賀状履歴", 250 },
    { "年賀状メモ", 250 },
} };
static_assert(static_cast<std::size_t>(field::kJointName1) == kDefaultSchema.size()
    && field::kExtendedEnd - field::kJointName1 == static_cast<int>(kExtendedSchema.size()));
// The identifier field a table gains after the extended ones, the first time a record
// is given one (a vCard export, an import that brings one). Wide enough for what phones
// and web address books write. Not a field of the input form.
inline constexpr SchemaField kIdentityField { "UID", 255 };
// CP932 name of field `index` of the default, the extended or the identity schema; ""
// beyond them.
const std::string& SchemaFieldName(int index);
// A new identifier: "urn:uuid:" and a random (version 4) UUID.
std::string NewRecordUid();

// Codes of loading and saving a table file.
enum class TableError : int {
    kNone = 0,
    kOpen = 300, // the file cannot be opened, read or written
    kShortDefinitions = 302, // the file ends inside the field definitions
    kBadDefinitions = 303, // definitions that cannot form a schema
    // SaveTable: the file there could not be read when it was loaded, so it is not
    // replaced; or the damaged original could not be kept aside first.
    kKeptUnread = 304,
};

// Codes of defining the fields, of the current-record buffer (reading, setting and
// posting a record) and of growing the schema.
enum class RecordError : int {
    kNone = 0,
    kRecordGone = -1, // PostRecord: the record being edited was deleted or is no longer there
    kNoField = 50, // no such field; DefineFields: no fields at all
    kNoMemory = 51, // memory ran out, or a record could not hold the new fields
    kNotDefaultSchema = 52, // ExtendSchema: the fields are not the default 24
    kTooLong = 100, // the value is longer than its field
    kNotNumber = 101, // a number field given anything but digits
    kNoRecord = 201, // no record there to read
    kNothingSelected = 202, // SetValue: field -1, the "none" of FindField
};

class AddressTable {
public:
    AddressTable() = default;
    ~AddressTable() = default;
    AddressTable(const AddressTable&) = delete;
    AddressTable& operator=(const AddressTable&) = delete;

    [[nodiscard]] RecordError DefineFields(const FieldDefinition& fields);
    void CreateDefaultTable();

    int GetFieldCount() const { return static_cast<int>(fields_.size()); }
    // Also the definition of a field the table has yet to gain (see IsPendingField).
    const FieldDef& GetField(int f) const;
    // The n definition records of 116 bytes, back to back.
    std::string_view GetFieldDefinitions() const { return rawDefinitions_; }
    // A field of the extended or identity schema that a table of the default 24 (or of
    // those and the extended 11) does not have yet is found at its future index: it
    // reads as empty everywhere, and the first value stored in it adds the fields up to
    // it (ExtendSchema).
    int FindField(std::string_view name) const;
    // Whether f is such a field: beyond the table's fields, before field::kSchemaEnd,
    // and the table's fields the first 24 or 35 of that schema.
    bool IsPendingField(int f) const;
    // Whether the table has the fields after the 24.
    bool HasExtendedFields() const { return GetFieldCount() >= field::kExtendedEnd; }
    // The table's identifier field ("UID"), -1 while it has none. Once it has one, every
    // new record gets an identifier when posted.
    int UidField() const { return uidField_; }
    // Appends the fields of the schema up to `end` (up to field::kExtendedEnd: the
    // extended ones, which come together; beyond: also the identifier) to a table of the
    // default 24 or of those and the extended 11, every record and the current-record
    // buffer getting them empty. kNoMemory when memory runs out, kNotDefaultSchema when
    // the table's fields are not such.
    [[nodiscard]] RecordError ExtendSchema(int end = field::kExtendedEnd);

    int GetRecordCount() const { return records_.GetCount(); }
    // The packed record k; empty when it does not exist.
    std::string_view GetRecord(int k) const { return records_.GetLine(k); }
    bool IsDeleted(int k) const;
    bool MarkDeleted(int k);
    std::uint8_t GetFlags(int k) const;
    void SetFlags(int k, std::uint8_t flags);

    [[nodiscard]] RecordError ReadRecord(int k);
    void ClearCurrent();
    int GetCurrentIndex() const { return current_; }
    [[nodiscard]] RecordError SetValue(int f, std::string_view text);
    [[nodiscard]] RecordError SetValueByName(std::string_view name, std::string_view text);
    // The value held in the current-record buffer for field f.
    std::string_view GetCurrentValue(int f) const { return buffer_.GetLine(f); }
    // Writes the current-record buffer into its record, or as a new record when none was
    // read. A new record of a table with an identifier field gets a new identifier when
    // it has none, or one that another record holds.
    [[nodiscard]] RecordError PostRecord();
    // Sets field f of record k alone (the buffer follows when it holds k), nothing else
    // of the record touched: no 更新日. A pending field grows the schema first.
    [[nodiscard]] RecordError StoreValue(int k, int f, std::string_view text);
    // Room for `count` more records holding `valueBytes` bytes of values in all, so that
    // a bulk import stores them without allocating as it goes. False when memory ran out
    // (the records still go in, one allocation at a time).
    bool ReserveRecords(int count, std::size_t valueBytes);

    // NUL-terminated value of field f in record k; nullptr when either does not exist
    // ("" for a pending field of an existing record).
    const char* GetValue(int f, int k) const;
    const char* GetValueByName(std::string_view name, int k) const;
    std::string_view Value(int f, int k) const;

    void ClearRecords();
    [[nodiscard]] TableError LoadTable(std::string_view path);
    [[nodiscard]] TableError SaveTable(std::string_view path) const;
    // The same as LoadTable/SaveTable on bytes in memory.
    [[nodiscard]] TableError ParseTable(std::string_view bytes);
    std::string FormatTable() const;

    // Records of the last load that were damaged and left out; a file cut short counts
    // one for what followed the cut.
    int DamagedRecordCount() const { return damagedRecords_; }
    // Records of the last load whose length field was damaged but whose own offsets
    // gave their length back: they are in the table, the file is still not whole.
    int RepairedRecordCount() const { return repairedRecords_; }
    // The last load read every record as the file stated it.
    bool LoadedWhole() const { return damagedRecords_ == 0 && repairedRecords_ == 0; }
    // The last LoadTable found a file there but could not read it at all.
    bool LoadFailedOnExistingFile() const { return guard_ == Guard::Unreadable; }
    // The file kept aside by the first save over a table that did not load whole
    // ("nrt_ndb.damaged-YYYYMMDDhhmmss" beside it); empty when none was needed.
    const std::string& DamagedCopy() const { return damagedCopy_; }
    // The copy of the 24-field file kept by the first save after ExtendSchema
    // ("nrt_ndb.bak" beside it); empty when none was made.
    const std::string& SchemaCopy() const { return schemaCopy_; }
    // The file as it was when loaded or last saved here (empty stamp: it did not exist).
    const platform::fs::FileStamp& DiskStamp() const { return diskStamp_; }
    // Whether the file at `path` is no longer the one loaded from or last saved there.
    bool ChangedOnDisk(std::string_view path) const;
    // Whether records changed since the table was loaded, defined or saved.
    bool IsModified() const { return changes_ != savedChanges_; }
    // Grows with every change of the records; tells one state of them from another.
    std::uint64_t ChangeCount() const { return changes_; }
    std::size_t WorkBufferSize() const { return workBufferSize_; }

private:
    bool RecordIsSound(std::string_view rec) const;
    TableError Parse(std::string_view bytes, std::unique_ptr<char[]>* memory, std::size_t memorySize);
    bool RecordAt(std::string_view bytes, std::size_t pos) const;
    std::size_t OwnLength(std::string_view bytes, std::size_t at) const;
    std::size_t Resynchronise(std::string_view bytes, std::size_t from) const;
    bool KeepDamagedCopy() const;
    bool KeepSchemaCopy(std::string_view path) const;

    std::vector<FieldDef> fields_;
    std::vector<std::size_t> widths_; // of fields_, kept apart for the loader's checks
    std::string rawDefinitions_;
    int current_ = -1;
    // The fields are the first 24 or 35 of the schema, which may gain the rest.
    bool growable_ = false;
    int uidField_ = -1;
    // The identifiers records hold, for PostRecord's check of a new one; built when
    // needed, valid while uidsAt_ is changes_.
    mutable std::unordered_set<std::string> uids_;
    mutable std::uint64_t uidsAt_ = ~std::uint64_t { 0 };
    bool UidTaken(std::string_view uid) const;
    LineList records_;
    LineList buffer_;
    std::string packed_; // PostRecord's record being packed, kept for its capacity
    std::size_t workBufferSize_ = 0;
    int damagedRecords_ = 0;
    int repairedRecords_ = 0;
    std::uint64_t changes_ = 0;
    // What the file at guardedPath_ needs before a save replaces it. Saving is a
    // bookkeeping step for these, so they change under a const SaveTable.
    enum class Guard { None, Damaged, Unreadable };
    mutable Guard guard_ = Guard::None;
    mutable std::string guardedPath_;
    mutable std::string damagedCopy_;
    // The schema grew since the file was read: its old form is kept before a save.
    mutable bool schemaGrown_ = false;
    mutable std::string schemaCopy_;
    mutable platform::fs::FileStamp diskStamp_;
    mutable std::uint64_t savedChanges_ = 0;
};

} // namespace nrt
