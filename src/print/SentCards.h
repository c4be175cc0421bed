#pragma once
// After a New Year's card job, the offer to record the printed addressees as sent for
// the card year (年賀状履歴 "出"): one road for the print window, the preview's print
// commands and `nortea-cli print --mark-sent` (whose message host answers Yes).

#include <vector>

namespace nrt {
class AddressTable;
}

namespace nrt::print {

enum class SentRecording {
    kUnchanged, // not New Year's cards, nothing printed, or the user declined
    kRecorded, // every printed record carries the mark now
    kFailed, // the table refused a record ("年賀状の記録に失敗しました。" shown); some may carry it
};

// After a job of form kind `kind` that put out the records `printed`: asks
// "印刷した N件を YYYY年の年賀状を出した宛先として記録しますか？" and, on Yes, marks
// them sent in `year`.
[[nodiscard]] SentRecording OfferToRecordSent(AddressTable& table, const std::vector<int>& printed, int kind, int year);

} // namespace nrt::print
