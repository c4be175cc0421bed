#pragma once
// The part of the input form for what a New Year's card needs beyond the address: the
// joint names with their honorifics, company, department and title, and the card
// history of the last years (sent, received, mourning, a note).

#include "db/CardHistory.h"
#include "settings/RecordForm.h"

#include <QWidget>

#include <array>
#include <vector>

class QCheckBox;
class QLabel;
class QComboBox;
class QLineEdit;

namespace nrt::gui {

class CardExtrasPanel : public QWidget {
    Q_OBJECT
public:
    // The years shown: the card year and the ones before it.
    static constexpr int kYearsShown = 3;

    explicit CardExtrasPanel(QWidget* parent);

    // Shows the record's values; the history from `cardYear` back. `honorific` is the
    // record's own, which a joint name without one of its own takes.
    void Load(const recordform::Values& values, int cardYear);
    void Clear(int cardYear);
    // Puts the shown values into `values`; years not shown keep what they had.
    void Store(recordform::Values& values) const;
    // A firm's name for 会社名 where none is typed yet.
    void OfferCompany(const QString& name);
    // The control of a field of this panel, nullptr for others.
    QWidget* ControlOf(int field) const;

signals:
    void changed();

private:
    struct Joint {
        QLineEdit* name = nullptr;
        QComboBox* honorific = nullptr;
    };
    struct Year {
        QCheckBox* sent = nullptr;
        QCheckBox* received = nullptr;
        QCheckBox* mourning = nullptr;
        QLineEdit* note = nullptr;
    };
    std::array<Joint, 3> joints_;
    QLineEdit* company_ = nullptr;
    QLineEdit* department_ = nullptr;
    QLineEdit* title_ = nullptr;
    std::array<Year, kYearsShown> years_;
    std::array<QLabel*, kYearsShown> yearLabels_ {};
    int cardYear_ = 0;
    std::vector<cardhistory::YearMarks> loaded_;
};

} // namespace nrt::gui
