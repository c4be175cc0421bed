#pragma once
// The condition language that chooses records, such as
// "宛名区分='1' and (カナ>='ｱ' or 名前='*山*')". A condition compiles into 72-byte
// items, one line each, and then tests one record at a time.

#include "db/AddressTable.h"
#include "db/LineList.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace nrt {

// Codes of compiling a condition; the user sees the number.
enum class ConditionError : int {
    kNone = 0,
    kUnendedJoin = -1, // the text ends inside the word that joins two terms
    kBadJoin = -2, // a word other than "and" or "or" joins two terms
    kMissingTerm = -4, // nothing after a joining word or an opening parenthesis
    kUnendedFieldName = -5,
    kUnknownField = -6,
    kMissingOperator = -7,
    kBadOperator = -8,
    kBadOperatorPair = -9,
    kMissingValue = -10,
    kUnquotedText = -13, // a text value without its opening or closing quote
    kTextTooLong = -14,
    kBadNumber = -15,
    kNumberTooLong = -16,
    kUntestableField = -17, // a field neither text nor number
    kTooManyGroups = -20,
    kUnopenedGroup = -21,
    kUnclosedGroup = -22,
};

// How an '=' term compares text: a '*' at its front, its back or both, and "==" for
// bytes as they are instead of A-Z folded. Kept as '0' + kind in the item.
enum class MatchKind : int {
    kWhole = 0,
    kPrefix = 1,
    kSuffix = 2,
    kContains = 3,
    kWholeExact = 4,
    kPrefixExact = 5,
    kSuffixExact = 6,
    kContainsExact = 7,
};

// The field named so in the table, by its name or its non-empty second name; -1 when none.
int FindFieldName(const AddressTable& table, std::string_view name);

class Condition {
public:
    // Layout of one compiled item.
    static constexpr std::size_t kItemSize = 72;
    static constexpr std::size_t kItemKind = 0;
    static constexpr std::size_t kItemIndex = 4;
    static constexpr std::size_t kItemOp1 = 8;
    static constexpr std::size_t kItemOp2 = 9;
    static constexpr std::size_t kItemIsNumber = 12;
    static constexpr std::size_t kItemNumber = 16;
    static constexpr std::size_t kItemText = 20;
    static constexpr std::size_t kMaxTextValue = 52;
    static constexpr std::size_t kMaxNumberDigits = 9;
    static constexpr int kMaxOpenGroups = 10;

    // Compiles a text against the table's fields; the text ends at its first NUL. On
    // an error the condition is left empty, which every record satisfies.
    [[nodiscard]] ConditionError Compile(std::string_view text, const AddressTable& table);
    void Clear();
    // The compiled items, one 72-byte line each.
    const LineList& Items() const { return items_; }

    // 1 when the record satisfies the condition, 0 when not, -1 when a value cannot be
    // read. On 1, matchField (when still -1) becomes the field of the first term that held.
    [[nodiscard]] int Evaluate(const AddressTable& table, int record, int& matchField) const;

private:
    // One item decoded once at compile time, so that testing a record reads nothing
    // but the record itself.
    struct Term {
        char kind = 'o';
        int index = 0;
        char op1 = 0;
        char op2 = 0;
        bool number = false;
        std::int32_t numberValue = 0;
        std::array<char, kMaxTextValue + 1> storage {}; // the text value, NUL-terminated
        std::uint8_t textLength = 0;
        unsigned char firstFolded = 0; // first byte of the text, A-Z folded

        std::string_view Text() const { return { storage.data(), textLength }; }
    };

    int EvaluateRange(const AddressTable& table, int from, int to, int record, int& matchField) const;
    bool TestTerm(const Term& term, const char* value) const;

    LineList items_;
    std::vector<Term> terms_;
};

} // namespace nrt
