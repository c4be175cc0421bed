// Condition texts and sort orders come from users: whatever they hold, compiling
// gives a code, and a compiled condition tests, selects, searches and sorts a table.
#include "db/RecordSet.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

class SilentHost : public nrt::platform::MessageHost {
public:
    nrt::platform::MsgResult Show(const nrt::platform::MessageRequest&) override
    {
        return nrt::platform::MsgResult::Ok;
    }
    void Beep() override { }
};

nrt::AddressTable& Table()
{
    static nrt::AddressTable* db = [] {
        auto* t = new nrt::AddressTable;
        t->CreateDefaultTable();
        const char* names[] = { "山田 太郎", "ｱｵｷ", "O'Brien", "*", "abc", "ABC", "", "\x88\x8ER" };
        const char* kana[] = { "ﾔﾏﾀﾞ", "ｱｵｷ", "ｵﾌﾞﾗｲｴﾝ", "", "ｱ", "ｶ", "ﾝ", "abc" };
        const auto check = [](nrt::RecordError code) {
            if (code != nrt::RecordError::kNone)
                std::abort();
        };
        for (int i = 0; i < 8; ++i) {
            t->ClearCurrent();
            check(t->SetValue(nrt::field::kSender, i % 3 ? "0" : "1"));
            check(t->SetValue(nrt::field::kName, nrt::platform::Utf8ToSjis(names[i])));
            check(t->SetValue(nrt::field::kKana, nrt::platform::Utf8ToSjis(kana[i])));
            check(t->SetValue(nrt::field::kPostalCode, i % 2 ? "100-0001" : "9"));
            check(t->PostRecord());
        }
        t->MarkDeleted(5);
        return t;
    }();
    return *db;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static SilentHost silent;
    nrt::platform::SetMessageHost(&silent);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    nrt::RecordSet rec;
    rec.Attach(&Table());
    if (rec.CompileCondition(text, nrt::RecordSet::kSlotSearch) == nrt::ConditionError::kNone)
        for (int k = 0; k < Table().GetRecordCount(); ++k)
            rec.Evaluate(k, nrt::RecordSet::kSlotSearch);
    // Any text goes: the codes of a faulty one are what is tried here.
    static_cast<void>(rec.SetSort(text, 0));
    if (rec.Select(text) == nrt::SelectResult::kSelected) {
        rec.SetPos(rec.GetRowCount() - 1);
        static_cast<void>(rec.Read());
        rec.FindPrev();
        rec.Find(text, 1, 0);
        rec.FindNext();
    }
    static_cast<void>(rec.SetSort(text, 1));
    return 0;
}
