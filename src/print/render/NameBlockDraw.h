#pragma once
// Drawing the addressee's name slot with its block: company lines and title before the
// name, joint names after it.

#include "print/NameBlock.h"
#include "print/TextItem.h"

#include <cstdint>

class QPainter;

namespace nrt::print {

// Where the block must end on the paper, and whether the honorifics stand apart.
struct NameBlockPlace {
    // 0.01 mm from the top of the card or label cell; a horizontal block reaching past
    // it is set smaller as a whole, so joint names do not run into the next label.
    // 0 = no limit.
    std::int32_t bottom = 0;
    // The layout sets the honorific in a slot of its own: the joint names go without
    // theirs, which DrawJointHonorifics sets in that slot's column (line).
    bool honorificApart = false;
};

// Draws the name slot `name` (already holding the name, with or without the honorific)
// and the block around it, at offset (ox, oy) as TextItem::Draw does. The joint names
// follow the name one column (or line) each, a given name alone starting level with
// the main given name; company lines stand before it in smaller type (to its right, or
// above it on a line of its own). Returns the columns the name itself took. Without a
// block this is name.Draw(…) itself.
int DrawNameBlock(QPainter& painter, const TextItem& name, const NameBlock& block, std::int32_t ox, std::int32_t oy,
    bool printableArea, const TextItem::ColumnFlow& flow, const NameBlockPlace& place = {});

// How far the title (with the space after it) moves the name on, set in the smaller
// type of `name`'s font; 0 without a title.
std::int32_t TitleLength(const TextItem& name, const NameBlock& block);

// Draws the honorific slot `honorific` (holding the main name's) of a layout whose name
// slot `name` is drawn by DrawNameBlock with place.honorificApart: the main honorific
// and each joint name's, moved and sized as the name's lines are.
void DrawJointHonorifics(QPainter& painter, const TextItem& honorific, const TextItem& name, const NameBlock& block,
    std::int32_t ox, std::int32_t oy, bool printableArea, const NameBlockPlace& place);

} // namespace nrt::print
