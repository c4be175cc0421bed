#include "print/render/NameBlockDraw.h"

#include "platform/sjis.h"

namespace nrt::print {
namespace {

// Company lines and the title are set this much smaller than the name (per cent).
constexpr std::int32_t kSmallerType = 70;

TextItem Smaller(const TextItem& name)
{
    TextItem small = name;
    small.SetFontHeight(name.FontHeight() * kSmallerType / 100);
    if (name.IsVertical())
        small.SetWidth(name.Width() * kSmallerType / 100);
    else
        small.SetHeight(name.Height() * kSmallerType / 100);
    return small;
}

} // namespace

int DrawNameBlock(QPainter& painter, const TextItem& name, const NameBlock& block, std::int32_t ox, std::int32_t oy,
    bool printableArea, const TextItem::ColumnFlow& flow)
{
    if (!block.HasExtras() || !name.HasText())
        return name.Draw(painter, ox, oy, printableArea, flow);
    const bool vertical = name.IsVertical();
    const std::int32_t em = name.EmHeight();
    TextItem small = Smaller(name);
    const std::int32_t smallEm = small.EmHeight();
    // A vertical column is set from its right edge: the smaller type moves left by half
    // the difference to stand on the name's middle; a line keeps its baseline.
    const std::int32_t smallAcross = vertical ? -(em - smallEm) / 2 : em - smallEm;
    const auto place = [&](TextItem& item, std::int32_t along, std::int32_t across) {
        if (vertical)
            item.SetPosition(name.X() + across, name.Y() + along);
        else
            item.SetPosition(name.X() + along, name.Y() + across);
    };

    // The company lines before the name: to its right in vertical writing, above it
    // on a line.
    const std::int32_t smallPitch = vertical ? 2 * small.Width() : small.Height();
    const auto lines = static_cast<std::int32_t>(block.companyLines.size());
    for (std::int32_t i = 0; i < lines; ++i) {
        small.SetText(block.companyLines[static_cast<std::size_t>(i)]);
        const std::int32_t before = (lines - i) * smallPitch;
        place(small, 0, vertical ? smallAcross + before : smallAcross - before - (em - smallEm));
        small.Draw(painter, ox, oy, printableArea);
    }

    std::int32_t titleLength = 0;
    if (!block.title.empty()) {
        const std::string title = block.title + SJ("　");
        small.SetText(title);
        place(small, 0, smallAcross);
        small.Draw(painter, ox, oy, printableArea);
        titleLength = small.LengthOf(title);
    }

    // The name after the title: down its column, or further along its line.
    int columns = 0;
    if (vertical) {
        TextItem::ColumnFlow after = flow;
        after.topIndent += titleLength;
        after.nextIndent = std::max(after.nextIndent, after.topIndent);
        columns = name.Draw(painter, ox, oy, printableArea, after);
    } else {
        columns = name.Draw(painter, ox + titleLength, oy, printableArea, flow);
    }

    // Each joint name one column (line) further on, a given name alone level with the
    // main given name.
    const std::int32_t familyLength = block.familyPart.empty() ? 0 : name.LengthOf(block.familyPart);
    const std::int32_t pitch = vertical ? 2 * name.Width() : name.Height();
    TextItem joint = name;
    for (std::size_t i = 0; i < block.jointNames.size(); ++i) {
        const JointNameLine& line = block.jointNames[i];
        joint.SetText(line.text);
        const std::int32_t along = titleLength + (line.givenNameOnly ? familyLength : 0);
        const auto step = static_cast<std::int32_t>(i + 1) * pitch;
        if (vertical) {
            joint.SetPosition(name.X() - step, name.Y());
            TextItem::ColumnFlow indent;
            indent.topIndent = along;
            indent.nextIndent = along;
            joint.Draw(painter, ox, oy, printableArea, indent);
        } else {
            joint.SetPosition(name.X() + along, name.Y() + step);
            joint.Draw(painter, ox, oy, printableArea);
        }
    }
    return columns;
}

} // namespace nrt::print
