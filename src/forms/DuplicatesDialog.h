#pragma once
// The records that are one person or firm twice, in pairs, and 「統合」, which merges a
// pair into the record registered first. The finding and the merge are dedupe's.

#include "db/Duplicates.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace nrt::gui {

class MainWindow;

class DuplicatesDialog : public QDialog {
    Q_OBJECT
public:
    explicit DuplicatesDialog(MainWindow& main, QWidget* parent = nullptr);

    const std::vector<dedupe::DuplicatePair>& Pairs() const { return pairs_; }
    // Merges the pair of the current row: the lower one into the upper one, which is
    // saved before the lower one is removed and saved again. The handler of 「統合」.
    void mergeClicked();

private:
    void Fill();

    MainWindow& main_;
    std::vector<dedupe::DuplicatePair> pairs_;
    QTableWidget* pairsTable_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QPushButton* mergeButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

} // namespace nrt::gui
