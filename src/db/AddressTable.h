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
};
} // namespace field
const std::string& DefaultFieldName(int index);

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

class AddressTable {
public:

    AddressTable() = default;
    virtual ~AddressTable() = default;
    AddressTable(const AddressTable&) = delete;
    AddressTable& operator=(const AddressTable&) = delete;

    int DefineFields(const FieldDefinition& fields);
    void CreateDefaultTable();

    int GetFieldCount() const { return static_cast<int>(fields_.size()); }
    const FieldDef& GetField(int f) const { return fields_[static_cast<std::size_t>(f)]; }
    // The n definition records of 116 bytes, back to back.
    std::string_view GetFieldDefinitions() const { return rawDefinitions_; }
    int FindField(std::string_view name) const;

    int GetRecordCount() const { return records_.GetCount(); }
    // The packed record k; empty when it does not exist.
    std::string_view GetRecord(int k) const { return records_.GetLine(k); }
    bool IsDeleted(int k) const;
    bool MarkDeleted(int k);
    std::uint8_t GetFlags(int k) const;
    void SetFlags(int k, std::uint8_t flags);

    int ReadRecord(int k);
    int ClearCurrent();
    int GetCurrentIndex() const { return current_; }
    int SetValue(int f, std::string_view text);
    int SetValueByName(std::string_view name, std::string_view text);
    // The value held in the current-record buffer for field f.
    std::string_view GetCurrentValue(int f) const { return buffer_.GetLine(f); }
    int PostRecord();

    // NUL-terminated value of field f in record k; nullptr when either does not exist.
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

    std::vector<FieldDef> fields_;
    std::vector<std::size_t> widths_; // of fields_, kept apart for the loader's checks
    std::string rawDefinitions_;
    int current_ = -1;
    LineList records_;
    LineList buffer_;
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
    mutable platform::fs::FileStamp diskStamp_;
    mutable std::uint64_t savedChanges_ = 0;
};

} // namespace nrt
