#include "print/render/NameBlockDraw.h"

#include "platform/sjis.h"
#include "print/render/NameSlotsDraw.h"

#include <algorithm>

namespace nrt::print {
namespace {

TextItem Scaled(const TextItem& item, std::int32_t percent)
{
    TextItem out = item;
    out.SetFontHeight(item.FontHeight() * percent / 100);
    if (item.IsVertical())
        out.SetWidth(item.Width() * percent / 100);
    else
        out.SetHeight(item.Height() * percent / 100);
    return out;
}

// The name slot as the block sets it.
struct Geometry {
    TextItem name; // fitted, and moved below the company lines on a horizontal block
    TextItem small;
    std::int32_t percent = 100;
    std::int32_t pitch = 0; // from the name to each joint name
    std::int32_t smallPitch = 0;
    std::int32_t drop = 0; // how far the company lines move a horizontal name down
};

Geometry Fit(const TextItem& name, const NameBlock& block, const NameBlockPlace& place)
{
    const auto companyLines = static_cast<std::int32_t>(block.companyLines.size());
    const auto lines = static_cast<std::int32_t>(block.jointNames.size()) + 1;
    Geometry g;
    if (!name.IsVertical() && place.bottom > name.Y()) {
        const std::int32_t needed = lines * name.Height() + companyLines * name.Height() * kSmallerTypePercent / 100;
        const std::int32_t room = place.bottom - name.Y();
        if (needed > room)
            g.percent = std::max<std::int32_t>(1, room * 100 / needed);
    }
    g.name = Scaled(name, g.percent);
    g.small = Scaled(g.name, kSmallerTypePercent);
    g.pitch = name.IsVertical() ? 2 * g.name.Width() : g.name.Height();
    g.smallPitch = name.IsVertical() ? 2 * g.small.Width() : g.small.Height();
    if (!name.IsVertical()) {
        // On a line the block runs down from the slot, the name after its company lines:
        // above it lies the address.
        g.drop = companyLines * g.smallPitch;
        g.name.SetPosition(name.X(), name.Y() + g.drop);
    }
    return g;
}

std::string TitleText(const NameBlock& block)
{
    return block.title.empty() ? std::string() : block.title + SJ("　");
}

} // namespace

std::int32_t TitleLength(const TextItem& name, const NameBlock& block)
{
    return block.title.empty() ? 0 : Scaled(name, kSmallerTypePercent).LengthOf(TitleText(block));
}

int DrawNameBlock(QPainter& painter, const TextItem& slot, const NameBlock& block, std::int32_t ox, std::int32_t oy,
    bool printableArea, const TextItem::ColumnFlow& flow, const NameBlockPlace& place)
{
    if (!block.HasExtras() || !slot.HasText())
        return slot.Draw(painter, ox, oy, printableArea, flow);
    const Geometry g = Fit(slot, block, place);
    const TextItem& name = g.name;
    TextItem small = g.small;
    const bool vertical = name.IsVertical();
    const std::int32_t em = name.EmHeight();
    const std::int32_t smallEm = small.EmHeight();
    // A vertical column is set from its right edge: the smaller type moves left by half
    // the difference to stand on the name's middle; a line keeps its baseline.
    const std::int32_t smallAcross = vertical ? -(em - smallEm) / 2 : em - smallEm;
    const auto placeAt = [&](TextItem& item, std::int32_t along, std::int32_t across) {
        if (vertical)
            item.SetPosition(name.X() + across, name.Y() + along);
        else
            item.SetPosition(name.X() + along, name.Y() + across);
    };

    // The company lines before the name: to its right in vertical writing, above it
    // on a line.
    const auto lines = static_cast<std::int32_t>(block.companyLines.size());
    for (std::int32_t i = 0; i < lines; ++i) {
        small.SetText(block.companyLines[static_cast<std::size_t>(i)]);
        const std::int32_t before = (lines - i) * g.smallPitch;
        placeAt(small, 0, vertical ? smallAcross + before : -before);
        small.Draw(painter, ox, oy, printableArea);
    }

    const std::int32_t titleLength = TitleLength(name, block);
    if (!block.title.empty()) {
        small.SetText(TitleText(block));
        placeAt(small, 0, smallAcross);
        small.Draw(painter, ox, oy, printableArea);
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
    for (std::size_t i = 0; i < block.jointNames.size(); ++i) {
        const JointNameLine& line = block.jointNames[i];
        DrawSlotLine(painter, name, place.honorificApart ? line.name : line.WithHonorific(), i + 1,
            titleLength + (line.givenNameOnly ? familyLength : 0), ox, oy, printableArea);
    }
    return columns;
}

void DrawJointHonorifics(QPainter& painter, const TextItem& honorific, const TextItem& name, const NameBlock& block,
    std::int32_t ox, std::int32_t oy, bool printableArea, const NameBlockPlace& place)
{
    if (!block.HasExtras() || !honorific.HasText()) {
        honorific.Draw(painter, ox, oy, printableArea);
        return;
    }
    const Geometry g = Fit(name, block, place);
    TextItem item = Scaled(honorific, g.percent);
    const std::int32_t x = honorific.X(), y = honorific.Y() + g.drop;
    item.SetPosition(x, y);
    item.Draw(painter, ox, oy, printableArea);
    for (std::size_t i = 0; i < block.jointNames.size(); ++i) {
        const auto step = static_cast<std::int32_t>(i + 1) * g.pitch;
        item.SetText(block.jointNames[i].honorific);
        if (name.IsVertical())
            item.SetPosition(x - step, y);
        else
            item.SetPosition(x, y + step);
        item.Draw(painter, ox, oy, printableArea);
    }
}

} // namespace nrt::print
