#pragma once
// Drawing the addressee's name slot with its block: company lines and title before the
// name, joint names after it.

#include "print/NameBlock.h"
#include "print/TextItem.h"

#include <cstdint>

class QPainter;

namespace nrt::print {

// Draws the name slot `name` (already holding the name and honorific) and the block
// around it, at offset (ox, oy) as TextItem::Draw does. The joint names follow the
// name one column (or line) each, a given name alone starting level with the main
// given name; company lines stand before it in smaller type. Returns the columns the
// name itself took. Without a block this is name.Draw(…) itself.
int DrawNameBlock(QPainter& painter, const TextItem& name, const NameBlock& block, std::int32_t ox, std::int32_t oy,
    bool printableArea, const TextItem::ColumnFlow& flow);

} // namespace nrt::print
