#pragma once
// The address browser: a modal walk from prefecture to city to town of the postal
// dictionary, ending in a postal code. The walk itself is PostalBrowser's; this window
// draws its rows and captions and forwards the buttons.

#include "postal/PostalBrowser.h"

#include <QDialog>

#include <array>
#include <optional>
#include <string>
#include <string_view>

class QLabel;
class QPushButton;
class QTableView;

namespace nrt {
class AppSettings;
}

namespace nrt::gui {

class AddressRowsModel;

// What the user confirmed: CP932 texts, the code written ddd-dddd.
struct AddressChoice {
    std::string code;
    std::string prefecture;
    std::string city;
    std::string town;
};

class AddressBrowser : public QDialog {
    Q_OBJECT
public:
    // Client area at 100 %.
    static constexpr int kDesignWidth = 498;
    static constexpr int kDesignHeight = 372;

    // Opens on the dictionary in `postalFolder`: at the cities of `prefecture` when it is
    // one of the 47, otherwise at the prefectures. `ratio` is the display magnification
    // in percent; above 100 every control, font and the client area grow with it.
    // With a `code` (ddd-dddd) it opens at the towns of that code instead.
    AddressBrowser(std::string postalFolder, std::string_view prefecture, int ratio, QWidget* parent = nullptr,
        std::string_view code = {});
    ~AddressBrowser() override;

    // Runs the browser on the dictionary the postal location names, at the settings'
    // magnification; the town the user confirmed, or nothing when cancelled.
    static std::optional<AddressChoice> Browse(const AppSettings& settings, std::string_view prefecture,
        QWidget* parent = nullptr, std::string_view code = {});

    // The confirmed town; nothing until one was chosen with OK or a double click.
    std::optional<AddressChoice> Choice() const;
    const PostalBrowser& Browser() const { return browser_; }

    // The handlers, callable by tests as the controls call them.
    void KanaClick(int filter);
    void Choose(int row);
    void okClicked();
    void prefecturesClicked();
    void citiesClicked();

private:
    QTableView* placeTable_ = nullptr;
    QLabel* addressLabel_ = nullptr;
    QLabel* countCaptionLabel_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QPushButton* prefecturesButton_ = nullptr;
    QPushButton* citiesButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    // "cmd_all", "cmd_a", "cmd_k" … "cmd_w", by filter number.
    std::array<QPushButton*, kKanaFilterCount> kanaButtons_ {};

    void Place(int ratio);
    void ShowLevel();

    PostalBrowser browser_;
    AddressRowsModel* model_ = nullptr;
};

} // namespace nrt::gui
