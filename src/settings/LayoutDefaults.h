#pragma once
// The catalogue of the layout slots, the report kinds, and the default layout each
// kind starts from before a stored layout is read over it. All lengths in 0.01 mm.

#include "print/LayoutItem.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace nrt {

// The kind of a print form; it chooses the defaults under a stored layout.
enum FormKind : int {
    kFormNewYearCard = 1,
    kFormPostcard = 2,
    kFormEnvelope4Front = 3,
    kFormEnvelope4Back = 4,
    kFormEnvelope3Front = 5,
    kFormEnvelope3Back = 6,
    kFormLabelSheet = 7,
    kFormEnvelope40Front = 13,
    kFormEnvelope40Back = 14,
};

struct FormKindInfo {
    int kind;
    const char* typeName; // the new-print-form dialog's text (UTF-8 here)
    std::int32_t paperWidth, paperHeight;
    const char* backgroundImage;
    bool labelSheet;
    std::int32_t sheetWidth, sheetHeight, marginLeft, marginTop, gapX, gapY, columns, rows;
};

// In the order the new-print-form dialog lists them.
// clang-format off
inline constexpr std::array<FormKindInfo, 9> kFormKinds{{
    {kFormNewYearCard, "年賀状", 10000, 14800, "repbk01.BMP", false, 10000, 14800, 0, 0, 0, 0, 1, 1},
    {kFormPostcard, "普通はがき", 10000, 14800, "repbk02.BMP", false, 10000, 14800, 0, 0, 0, 0, 1, 1},
    {kFormEnvelope4Front, "封筒４号（表）", 9000, 20500, "repbk03F.BMP", false, 9000, 20500, 0, 0, 0, 0, 1, 1},
    {kFormEnvelope4Back, "封筒４号（裏）", 9000, 20500, "repbk03B.BMP", false, 9000, 20500, 0, 0, 0, 0, 1, 1},
    {kFormEnvelope40Front, "封筒４０号（表）", 9000, 22500, "repbk03F.BMP", false, 9000, 22500, 0, 0, 0, 0, 1, 1},
    {kFormEnvelope40Back, "封筒４０号（裏）", 9000, 22500, "repbk03B2.BMP", false, 9000, 22500, 0, 0, 0, 0, 1, 1},
    {kFormEnvelope3Front, "封筒３号（表）", 12000, 23500, "repbk04F.BMP", false, 12000, 23500, 0, 0, 0, 0, 1, 1},
    {kFormEnvelope3Back, "封筒３号（裏）", 12000, 23500, "repbk04B.BMP", false, 12000, 23500, 0, 0, 0, 0, 1, 1},
    {kFormLabelSheet, "ラベル(A4 2 x 6)(HISAGO GB861)", 8380, 4230, "", true, 21000, 29700, 2030, 2030, 380, 0, 2, 6},
}};
// clang-format on

// The entry of a kind; any unknown number gives the postcard's.
const FormKindInfo& FormKindOf(int kind);
// The dialog text of a kind, CP932.
const std::string& FormTypeName(int kind);

// One slot of the catalogue. Texts are UTF-8 here; the functions below give CP932.
struct SlotCatalogueEntry {
    const char* fieldName; // the record field printed; "" for sender, composite and free slots
    const char* sample; // the default text
    const char* editorName; // the name in the layout editor's list
    const char* editorSample; // what the editor shows; nullptr: the slot's own text
};
extern const std::array<SlotCatalogueEntry, kLayoutSlots> kSlotCatalogue;

const std::string& SlotFieldName(int slot);
const std::string& SlotSample(int slot);
const std::string& SlotEditorName(int slot);
// Empty for the free-text slots 48 to 52, which show their own text.
const std::string& SlotEditorSample(int slot);
// The bars the barcode slot shows in the editor (the text of that slot is its bars).
const std::string& BarcodeSample();
// Whether the layout editor offers the customer barcode: envelope fronts and labels.
bool OffersCustomerBarcode(int kind, const LayoutHeader& header);

// The kind's defaults into the header (the kanji numeral flag is cleared for kind 1
// only, the printer-settings flag always) and into every slot: shown flag, the
// editor's display scale, bound field, face by direction, direction, position, size,
// font height and sample text. Fields not named there (colours, other font values,
// draw mode) stay as they were.
void ApplyDefaultLayout(int kind, LayoutHeader& header, LayoutTable& items);

// The barcode of a label layout put inside its cell: under the lowest shown text,
// 2 mm clear of it, or at the cell's foot when there is no room below.
void PlaceLabelBarcode(const LayoutHeader& header, LayoutTable& items);
// Whether the barcode's bars lie wholly inside the cell (or the card).
bool BarcodeInsideCell(const LayoutHeader& header, const LayoutItem& barcode);
// On a label layout, a barcode outside the cell is placed inside it; true when it was
// shown (a hidden one is placed silently).
bool KeepLabelBarcodeInCell(LayoutHeader& header, LayoutTable& items);

// The kind a print form's name implies: shorter than 4 bytes 2, "年賀…" 1, "封筒…" 4
// when "裏" occurs in it and 3 otherwise, anything else 2.
int FormKindOfName(std::string_view name);

} // namespace nrt
