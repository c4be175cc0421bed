#include "print/SentCards.h"

#include "db/CardHistory.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "settings/LayoutDefaults.h"

#include <string>

namespace nrt::print {

SentRecording OfferToRecordSent(AddressTable& table, const std::vector<int>& printed, int kind, int year)
{
    if (kind != kFormNewYearCard || printed.empty())
        return SentRecording::kUnchanged;
    if (!platform::Ask(SJ("印刷した") + std::to_string(printed.size()) + SJ("件を") + std::to_string(year)
            + SJ("年の年賀状を出した宛先として記録しますか？")))
        return SentRecording::kUnchanged;
    if (!cardhistory::MarkSent(table, printed, year)) {
        platform::Warn(SJ("年賀状の記録に失敗しました。"));
        return SentRecording::kFailed;
    }
    return SentRecording::kRecorded;
}

} // namespace nrt::print
