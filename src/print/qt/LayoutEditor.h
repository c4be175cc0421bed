#pragma once
// "印字設定": the layout editor of one print form. The card is drawn at the items'
// own (editor) scale on an off-screen surface; items are dragged and resized with
// the mouse, nudged with the arrow keys, or placed by typing millimetres. Nothing
// reaches the form's files until OK.

#include "print/BmpImage.h"
#include "print/LayoutEditing.h"
#include "print/PrintForm.h"

#include <QDialog>
#include <QFont>
#include <QImage>

#include <functional>
#include <map>
#include <string>

class QAction;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QMenuBar;
class QPushButton;
class QScrollBar;
class QStatusBar;
class QVBoxLayout;

namespace nrt {
class AppSettings;
}

namespace nrt::print {

class PrinterBinding;
class PreSetView;

class LayoutEditor : public QDialog {
    Q_OBJECT
public:
    // Asks for a font starting from `font`; true with the chosen one in it.
    using FontChooser = std::function<bool(QWidget* parent, LogFontA& font)>;

    // Opens form `formIndex` of the print form list, of layout kind `kind`, into a
    // layout of its own. An index past the list gives the kind's defaults.
    LayoutEditor(AppSettings& settings, PrinterBinding& printer, int formIndex, int kind, QWidget* parent = nullptr);
    ~LayoutEditor() override;

    // The system's font dialog unless replaced (tests).
    void SetFontChooser(FontChooser chooser) { fontChooser_ = std::move(chooser); }
    // The font the font dialog opens on for an item's LOGFONT: the installed face that
    // draws it, at its size on the editor's card.
    static QFont FontDialogStart(const LogFontA& font);

    int Selection() const { return selection_; }
    bool Dirty() const { return dirty_; }
    const QImage& Surface() const { return surface_; }
    // The layout being edited.
    const PrintForm& Form() const { return form_; }
    PrintForm& Form() { return form_; }
    // The card's view; mouse and key events on it edit the layout.
    QWidget* Canvas() const;
    // Pixels of the paper at the items' scale.
    QSize PaperExtent() const;

    // Leaving a value field: an edited value is checked and taken over.
    void ValueExit(QLineEdit* field);
    void textLeft();
    void orientationChanged(int entry);
    void fontClicked();
    void labelClicked();
    void detailClicked();
    void printerSetupClicked();
    void printerSetupDeleteClicked();
    void okClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void reject() override;
    void done(int result) override;

private:
    QListWidget* itemList_ = nullptr;
    QLineEdit* leftEdit_ = nullptr;
    QLineEdit* topEdit_ = nullptr;
    QLineEdit* widthEdit_ = nullptr;
    QLineEdit* heightEdit_ = nullptr;
    QLineEdit* fontEdit_ = nullptr;
    QPushButton* fontButton_ = nullptr;
    QComboBox* orientationCombo_ = nullptr;
    QLabel* textLabel_ = nullptr;
    QLineEdit* textEdit_ = nullptr;
    QLineEdit* formWidthEdit_ = nullptr;
    QLineEdit* formHeightEdit_ = nullptr;
    QPushButton* labelButton_ = nullptr;
    QLineEdit* labelEdit_ = nullptr;
    QPushButton* detailButton_ = nullptr;
    QPushButton* printerSetupButton_ = nullptr;
    QPushButton* printerSetupDeleteButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QMenuBar* menuBar = nullptr;
    QAction* closeAction_ = nullptr;
    QMenu* popupMenu = nullptr;
    QAction* orientationAction_ = nullptr;
    QAction* fontAction_ = nullptr;
    QScrollBar* verticalScroll_ = nullptr;
    QScrollBar* horizontalScroll_ = nullptr;
    QStatusBar* statusBar = nullptr;
    // What the editor did to the layout, or why the barcode prints as it does.
    QLabel* noteLabel_ = nullptr;

    friend class PreSetView;
    enum class ValueKind { X, Y, Width, Height, PaperWidth, PaperHeight };

    // The constructor's steps.
    void BuildMenus();
    QGridLayout* BuildCanvas(); // the card's view and its scroll bars
    void BuildItemList();
    QLineEdit* ValueField(const char* name, ValueKind kind);
    void BuildValueFields();
    void BuildItemControls(); // font, orientation and text of the chosen item
    void BuildButtons();
    QVBoxLayout* ArrangeSidePanel();
    void ArrangeWindow(QGridLayout* cardArea, QVBoxLayout* side);
    void ConnectControls();
    void RestoreGeometry();

    void LoadForm();
    void ShowPaperSize();
    void ShowBarcodeRow();
    void ShowNote();
    void ShowItem(int index);
    void ShowValues();
    void RebuildSurface();
    void UpdateScrollBars();
    void Paint();
    void MarkDirty();
    bool ItemSelected() const { return selection_ >= 0 && selection_ < kLayoutSlots; }
    LayoutItem& Selected();
    QPoint Scroll() const;

    // The canvas's events, in its (window) pixels.
    void MousePress(QPoint at, Qt::MouseButton button, QPoint globalAt);
    void MouseMove(QPoint at, bool pressed);
    void MouseRelease();
    void Nudge(int dx, int dy);

    AppSettings& settings_;
    PrintForm form_;
    PrinterBinding& printer_;
    int formIndex_;
    int kind_;
    bool barcodeMoved_ = false;
    PreSetView* view_ = nullptr;
    QImage surface_;
    int surfaceWidth_ = 0;
    int surfaceHeight_ = 0;
    BmpImage background_;
    QImage backgroundImage_;
    int selection_ = -1;
    bool dirty_ = false;
    std::map<QLineEdit*, ValueKind> valueFields_;
    std::map<QLineEdit*, bool> edited_;
    bool hit_ = false;
    int dragState_ = 0; // 0 idle, 1 pressed on an item, 2 dragging
    DragMode dragMode_ = kDragMove;
    QPoint grab_;
    FrameRect band_;
    bool placementSaved_ = false;
    FontChooser fontChooser_;
};

} // namespace nrt::print
