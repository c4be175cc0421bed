#include "print/render/NameSlotsDraw.h"

#include "print/render/NameBlockDraw.h"

#include <algorithm>
#include <string_view>

namespace nrt::print {

void DrawSlotLine(QPainter& painter, const TextItem& slot, std::string_view text, std::size_t index, std::int32_t along,
    std::int32_t ox, std::int32_t oy, bool printableArea)
{
    TextItem line = slot;
    line.SetText(text);
    const bool vertical = slot.IsVertical();
    const auto step = static_cast<std::int32_t>(index) * (vertical ? 2 * slot.Width() : slot.Height());
    if (vertical) {
        line.SetPosition(slot.X() - step, slot.Y());
        TextItem::ColumnFlow indent;
        indent.topIndent = along;
        indent.nextIndent = along;
        line.Draw(painter, ox, oy, printableArea, indent);
        return;
    }
    line.SetPosition(slot.X() + along, slot.Y() + step);
    line.SetWidth(std::max<std::int32_t>(slot.Width() - along, 1));
    line.Draw(painter, ox, oy, printableArea);
}

NameBlock BlockBesideName(NameBlock block, const LayoutTable& items)
{
    if (items[kJointNameSlot].shown)
        block.jointNames.clear();
    if (items[kCompanySlot].shown)
        block.companyLines.clear();
    return block;
}

void DrawJointNameSlot(QPainter& painter, const TextItem& slot, const NameBlock& block, std::int32_t ox,
    std::int32_t oy, bool printableArea)
{
    // As beside the name: after the title's length, and a given name alone after the
    // family name's, both in the slot's own font.
    const std::int32_t titleLength = TitleLength(slot, block);
    const std::int32_t familyLength = block.familyPart.empty() ? 0 : slot.LengthOf(block.familyPart);
    for (std::size_t i = 0; i < block.jointNames.size(); ++i) {
        const JointNameLine& line = block.jointNames[i];
        DrawSlotLine(painter, slot, line.WithHonorific(), i, titleLength + (line.givenNameOnly ? familyLength : 0), ox,
            oy, printableArea);
    }
}

void DrawCompanySlot(QPainter& painter, const TextItem& slot, const NameBlock& block, std::int32_t ox, std::int32_t oy,
    bool printableArea)
{
    for (std::size_t i = 0; i < block.companyLines.size(); ++i)
        DrawSlotLine(painter, slot, block.companyLines[i], i, 0, ox, oy, printableArea);
}

} // namespace nrt::print
