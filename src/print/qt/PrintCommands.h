#pragma once
// The printing commands of the main window, over the window's settings and table
// (nortea-cli prints through print/render/CommandLinePrint.h). The window owns one
// PrintCommands for the whole run (it holds the printer binding and the renderer,
// created at start-up) and wires its menu and toolbar items to it:
//
//   tcmd_Print, mnuPrint       Print(PrintCondition(), SortOrder(), senderTab)
//   tcmd_Preview, mnuPreview   Preview(PrintCondition(), SortOrder(), senderTab)
//   tcmd_PreSet, mnuPreSet     EditLayouts()
//   mnuNewPrn                  NewForm()
//   mnuFilePrint               PrintList(Records())

#include <memory>
#include <string>
#include <string_view>

class QWidget;

namespace nrt {
class AddressTable;
class AppSettings;
class RecordSet;
} // namespace nrt

namespace nrt::print {

class PrinterBinding;
class CardRenderer;

class PrintCommands {
public:
    // `window` owns the dialogs; it may be null (they then have no parent).
    PrintCommands(AppSettings& settings, AddressTable& table, QWidget* window);
    ~PrintCommands();
    PrintCommands(const PrintCommands&) = delete;
    PrintCommands& operator=(const PrintCommands&) = delete;

    PrinterBinding& Printer() { return *printer_; }
    CardRenderer& Renderer() { return *renderer_; }

    // On the senders' tab the user first confirms that senders print as addressees;
    // then a form is chosen in the print form list and the records of the print
    // condition are printed in the list's order (with progress for long jobs). After
    // New Year's cards the program offers to record them as sent for the card year:
    // true when it did (the list shows the records changed).
    bool Print(std::string_view printCondition, std::string_view sortOrder, bool senderTab);
    // The same road to the preview window, whose print commands make the same offer
    // after New Year's cards: true when one was taken (the list shows the records changed).
    bool Preview(std::string_view printCondition, std::string_view sortOrder, bool senderTab);
    // The print form list with its new, rename and delete buttons: the index of the
    // form whose layout is to be edited, or -1.
    int ChooseFormToEdit();
    // The layout editor on form `index` of the list, its kind from its name.
    void EditLayout(int index);
    // ChooseFormToEdit, then the editor on the chosen form.
    void EditLayouts();
    // The new-form dialog; true when a form was created.
    bool NewForm();
    // The address list of the records the main window lists, in its order.
    void PrintList(const RecordSet& listed);

private:
    // The chosen form's name, or false.
    bool ChooseForm(std::string& name, bool senderTab);
    // After a job of form kind `kind`: the offer to record the records the renderer put
    // out as sent; true when the table may have changed.
    bool OfferToRecordSent(int kind);

    AppSettings& settings_;
    AddressTable& table_;
    QWidget* window_;
    std::unique_ptr<PrinterBinding> printer_;
    std::unique_ptr<CardRenderer> renderer_;
};

} // namespace nrt::print
