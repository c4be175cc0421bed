#pragma once
// Enter in a single-line field or a list moves the focus on; the key itself is dropped.

#include <QObject>

namespace nrt::gui {

class EnterFocusFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Installs one shared filter on every line edit, combo box, spin box and list of
    // `root`.
    static void InstallOn(QWidget* root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace nrt::gui
