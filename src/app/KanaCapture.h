#pragma once
// Fills the kana field while a name is typed: a composition committed by the input
// method appends its reading (the last pre-edit text that was all kana), and with no
// composition each typed kana is appended (kanji and letters typed without an input
// method have no reading here). A space typed between two readings is kept as one
// space. Deleting in the name field never removes anything from the kana field. The
// reading is stored as the kana field holds it: half-width katakana, cut to the
// field's limit in CP932 bytes.

#include <QObject>
#include <QPointer>
#include <QString>

class QLineEdit;
class QWidget;

namespace nrt::gui {

class KanaCapture : public QObject {
    Q_OBJECT
public:
    // Removes any capture already on `name`, then links it to `kana` (limit <= 0: no
    // limit). A combo box is served through its line edit. Returns true when installed.
    static bool Install(QWidget* name, QWidget* kana, int limitBytes);
    // Returns true when a capture was there and has been removed.
    static bool Remove(QWidget* name);
    static bool IsInstalled(QWidget* name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KanaCapture(QLineEdit* name, QLineEdit* kana, int limitBytes);
    void Append(const QString& reading);
    // One space after a reading, never at its start and never two.
    void AppendSeparator();
    void AppendTyped(const QString& text);

    QLineEdit* name_;
    QPointer<QLineEdit> kana_;
    int limit_;
    QString lastKanaPreedit_;
};

} // namespace nrt::gui
