#pragma once
// Drawing the joint names and the company lines in slots of their own, for layouts
// that place them apart from the addressee's name.

#include "print/LayoutItem.h"
#include "print/NameBlock.h"
#include "print/TextItem.h"

#include <cstdint>
#include <string_view>

class QPainter;

namespace nrt::print {

// What still goes with the name: the block without the joint names or company lines
// whose own slot the layout shows (the title always stays with the name).
NameBlock BlockBesideName(NameBlock block, const LayoutTable& items);

// The joint names in `slot`: one column (vertical) or line each from the slot's place,
// each in the slot's frame, font and direction. They start after the title's length,
// and a given name alone further on by the main family name's, both in the slot's
// font, so a slot level with the name keeps them where they stand beside it.
void DrawJointNameSlot(QPainter& painter, const TextItem& slot, const NameBlock& block, std::int32_t ox,
    std::int32_t oy, bool printableArea);

// Line `index` of a slot holding `text`: columns go on to the left, lines downwards.
// `along` moves the text's start further on inside the frame, whose far end stays.
void DrawSlotLine(QPainter& painter, const TextItem& slot, std::string_view text, std::size_t index, std::int32_t along,
    std::int32_t ox, std::int32_t oy, bool printableArea);

// Company and department in `slot`, one column (vertical) or line each from its place.
void DrawCompanySlot(QPainter& painter, const TextItem& slot, const NameBlock& block, std::int32_t ox, std::int32_t oy,
    bool printableArea);

} // namespace nrt::print
