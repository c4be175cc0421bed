#pragma once
// "印字設定詳細": the dash that replaces "－" in vertical addresses, the picture shown
// behind the layout in the editor and the preview, and whether address digits print
// as kanji numerals, and whether the first address line prints the prefecture.

#include <QDialog>

#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace nrt::print {

class LayoutDetailDialog : public QDialog {
    Q_OBJECT
public:
    struct Values {
        std::uint16_t dashCode = 0; // 0 or one of 0x815B, 0x815C, 0x815D
        bool kanjiNumerals = false;
        std::string backgroundImage; // CP932
        bool printPrefecture = false;
    };

    LayoutDetailDialog(const Values& values, QWidget* parent = nullptr);

    // What OK stores; the values given when cancelled.
    const Values& Result() const { return values_; }

    // The list entry of a dash code: any code not listed shows as "未変換".
    static int EntryOfDash(std::uint16_t code);
    static std::uint16_t DashOfEntry(int entry);

private:
    QComboBox* dashCombo_ = nullptr;
    QLineEdit* backgroundEdit_ = nullptr;
    QCheckBox* kanjiNumeralsCheck_ = nullptr;
    QCheckBox* prefectureCheck_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    void okClicked();

    Values values_;
};

} // namespace nrt::print
