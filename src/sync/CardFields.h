#pragma once
// A record and a card compared in one currency: the values the book's fields take from
// a card (the vCard import's mapping, cut to the book's widths). A record is compared as
// the card it exports to, so what the mapping changes on the way (readings made
// half-width, a country dropped) is the same on both sides and never reads as a change.

#include "exchange/VCardReader.h"

#include <string>
#include <string_view>
#include <vector>

namespace nrt {
class AddressTable;
}

namespace nrt::sync {

// Indexed by the schema's fields (field::Index); the fields not synced stay empty.
using CardValues = std::vector<std::string>;

// The fields a sync compares and carries, schema indices: what a card fills but 更新日
// (a date each side writes of its own) and the UID (the record's name for the card).
const std::vector<int>& SyncedFields();

// The card's values for `table`'s fields (CP932): mapped, cut to each field's width, the
// fields a card leaves out at the values an import gives them.
CardValues ValuesOf(const vcard::Card& card, const AddressTable& table);
CardValues ValuesOfText(std::string_view vcard, const AddressTable& table);
// The UID of a card; empty when it has none.
std::string UidOf(const vcard::Card& card);

// Every live record of the table as the card the vCard export writes, by UID (records
// without a UID are left out: give them theirs first).
struct RecordCard {
    int record = -1;
    std::string vcard; // UTF-8, CR LF
};
std::vector<std::pair<std::string, RecordCard>> RecordCards(AddressTable& table);

// The card to write for a record: its own card (`own`, as RecordCards gives it) with
// every property of the last synced copy `last` that the book does not hold (a PHOTO, a
// NICKNAME, properties of other programs, a TEL, EMAIL, URL or ADR beyond those `lastValues` —
// the values the book took from `last` — hold). The copy's VERSION is kept.
std::string Compose(
    std::string_view own, std::string_view last, const CardValues& lastValues, const AddressTable& table);

} // namespace nrt::sync
