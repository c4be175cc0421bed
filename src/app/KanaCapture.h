#pragma once
// Fills the kana field while a name is typed: a composition committed by the input
// method appends its reading (the last pre-edit text that was all kana), and with no
// composition each typed character is appended. Deleting in the name field never
// removes anything from the kana field. The reading is stored as the kana field holds
// it: half-width katakana, cut to the field's limit in CP932 bytes.

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

    // Hiragana and full-width katakana (with ー and the common marks) as half-width
    // katakana; voiced kana become two characters (ガ → ｶﾞ). Other characters unchanged.
    static QString ToHalfWidthKatakana(const QString& text);
    // True when every character is kana (either width), the long vowel mark or a sound mark.
    static bool IsAllKana(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KanaCapture(QLineEdit* name, QLineEdit* kana, int limitBytes);
    void Append(const QString& reading);

    QLineEdit* name_;
    QPointer<QLineEdit> kana_;
    int limit_;
    QString lastKanaPreedit_;
};

} // namespace nrt::gui
