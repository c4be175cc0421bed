#include "print/NameBlock.h"

#include "db/AddressTable.h"
#include "platform/sjis.h"

#include <array>

namespace nrt {
namespace {

std::string_view Field(const FieldLookup& record, int index)
{
    return record(SchemaFieldName(index));
}

// Where the first space (either width) of a name ends; npos when it has none.
std::size_t AfterFirstSpace(std::string_view name)
{
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t len = platform::CharLength(name, i);
        if (name.substr(i, len) == " " || name.substr(i, len) == SJ("　"))
            return i + len;
        i += len;
    }
    return std::string_view::npos;
}

bool PersonMissing(const FieldLookup& record)
{
    return Field(record, field::kName).empty() && !Field(record, field::kCompany).empty();
}

} // namespace

std::string JointNameLine::WithHonorific() const
{
    return name + SJ("　") + honorific;
}

std::string AddresseeName(const FieldLookup& record)
{
    if (!PersonMissing(record))
        return std::string(Field(record, field::kName));
    const std::string_view department = Field(record, field::kDepartment);
    return std::string(department.empty() ? Field(record, field::kCompany) : department);
}

std::string AddresseeHonorific(const FieldLookup& record)
{
    return PersonMissing(record) ? SJ("御中") : std::string(Field(record, field::kHonorific));
}

std::string NameWithHonorific(const FieldLookup& record)
{
    return AddresseeName(record) + SJ("　") + AddresseeHonorific(record);
}

NameBlock AddresseeNameBlock(const FieldLookup& record)
{
    NameBlock block;
    const std::string_view company = Field(record, field::kCompany);
    const std::string_view department = Field(record, field::kDepartment);
    if (PersonMissing(record)) {
        if (!department.empty())
            block.companyLines.emplace_back(company);
        return block;
    }
    for (std::string_view line : { company, department })
        if (!line.empty())
            block.companyLines.emplace_back(line);
    block.title = Field(record, field::kTitle);

    const std::string_view name = Field(record, field::kName);
    if (const std::size_t given = AfterFirstSpace(name); given != std::string_view::npos && given < name.size())
        block.familyPart = name.substr(0, given);
    const std::string_view honorific = Field(record, field::kHonorific);
    constexpr std::array<std::array<int, 2>, field::kJointNameCount> kJoint {
        { { field::kJointName1, field::kJointHonorific1 }, { field::kJointName2, field::kJointHonorific2 },
            { field::kJointName3, field::kJointHonorific3 } }
    };
    for (const auto& [nameField, honorificField] : kJoint) {
        const std::string_view joint = Field(record, nameField);
        if (joint.empty())
            continue;
        std::string_view own = Field(record, honorificField);
        if (own.empty())
            own = honorific;
        JointNameLine line;
        line.name = joint;
        line.honorific = own;
        line.givenNameOnly = AfterFirstSpace(joint) == std::string_view::npos;
        block.jointNames.push_back(std::move(line));
    }
    return block;
}

} // namespace nrt
