#include "exchange/CsvFormulaGuard.h"

namespace nrt {
namespace {

// Digits with the separators a telephone number is written with, at least one digit.
bool IsPhoneNumberShape(std::string_view rest)
{
    bool digit = false;
    for (const char c : rest) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c != '-' && c != ' ' && c != '(' && c != ')' && c != '.')
            return false;
    }
    return digit;
}

} // namespace

bool NeedsFormulaGuard(std::string_view value)
{
    if (value.empty())
        return false;
    switch (value[0]) {
    case '=':
    case '@':
    case '\t':
    case '\r':
        return true;
    case '+':
    case '-':
        return value != "-" && !IsPhoneNumberShape(value.substr(1));
    case '\'':
        return NeedsFormulaGuard(value.substr(1));
    default:
        return false;
    }
}

std::string_view WithoutFormulaGuard(std::string_view cell)
{
    if (cell.starts_with('\'') && NeedsFormulaGuard(cell.substr(1)))
        cell.remove_prefix(1);
    return cell;
}

} // namespace nrt
