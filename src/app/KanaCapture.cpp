#include "app/KanaCapture.h"

#include "platform/Kana.h"
#include "qt/QtText.h"

#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace nrt::gui {
namespace {

const char* const kCaptureProperty = "readkanacapture";

QLineEdit* EditOf(QWidget* w)
{
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit;
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->lineEdit();
    return w ? w->findChild<QLineEdit*>() : nullptr;
}

bool IsReading(const QString& text)
{
    return platform::IsAllKana(FromQ(text));
}

bool IsSpace(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c != u' ' && c != u'\u3000')
            return false;
    return true;
}

} // namespace

KanaCapture::KanaCapture(QLineEdit* name, QLineEdit* kana, int limitBytes)
    : QObject(name)
    , name_(name)
    , kana_(kana)
    , limit_(limitBytes)
{
}

bool KanaCapture::Install(QWidget* name, QWidget* kana, int limitBytes)
{
    Remove(name);
    QLineEdit* nameEdit = EditOf(name);
    QLineEdit* kanaEdit = EditOf(kana);
    if (!nameEdit || !kanaEdit)
        return false;
    auto* capture = new KanaCapture(nameEdit, kanaEdit, limitBytes);
    nameEdit->installEventFilter(capture);
    nameEdit->setProperty(kCaptureProperty, QVariant::fromValue(static_cast<QObject*>(capture)));
    return true;
}

bool KanaCapture::Remove(QWidget* name)
{
    QLineEdit* nameEdit = EditOf(name);
    if (!nameEdit)
        return false;
    auto* capture = qobject_cast<KanaCapture*>(nameEdit->property(kCaptureProperty).value<QObject*>());
    nameEdit->setProperty(kCaptureProperty, QVariant());
    if (!capture)
        return false;
    nameEdit->removeEventFilter(capture);
    delete capture;
    return true;
}

bool KanaCapture::IsInstalled(QWidget* name)
{
    QLineEdit* nameEdit = EditOf(name);
    return nameEdit && qobject_cast<KanaCapture*>(nameEdit->property(kCaptureProperty).value<QObject*>());
}

void KanaCapture::AppendSeparator()
{
    if (kana_ && !kana_->text().isEmpty() && !kana_->text().endsWith(u' '))
        Append(QStringLiteral(" "));
}

void KanaCapture::AppendTyped(const QString& text)
{
    for (QChar c : text) {
        const QString one(c);
        if (IsSpace(one))
            AppendSeparator();
        else if (IsReading(one))
            Append(one);
    }
}

void KanaCapture::Append(const QString& reading)
{
    if (!kana_ || reading.isEmpty())
        return;
    std::string current = FromQ(kana_->text());
    if (limit_ > 0 && static_cast<int>(current.size()) >= limit_)
        return; // the kana field is full
    std::string joined = current + platform::HalfWidthReading(FromQ(reading));
    if (limit_ > 0)
        joined = std::string(platform::CutToBytes(joined, static_cast<std::size_t>(limit_)));
    kana_->setText(ToQ(joined));
}

bool KanaCapture::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == name_) {
        if (event->type() == QEvent::InputMethod) {
            auto* im = static_cast<QInputMethodEvent*>(event);
            if (!im->commitString().isEmpty()) {
                // The reading is what was typed before conversion; a commit of plain kana
                // is its own reading.
                QString reading = lastKanaPreedit_;
                if (reading.isEmpty() && IsReading(im->commitString()))
                    reading = im->commitString();
                if (name_->hasFocus()) {
                    if (reading.isEmpty() && IsSpace(im->commitString()))
                        AppendSeparator();
                    else
                        Append(reading);
                }
                lastKanaPreedit_.clear();
            }
            if (IsReading(im->preeditString()))
                lastKanaPreedit_ = im->preeditString();
            else if (im->preeditString().isEmpty() && im->commitString().isEmpty())
                lastKanaPreedit_.clear(); // composition cancelled
        } else if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            // Kana typed with no composition (a kana keyboard layout); control keys and
            // shortcuts never.
            if (!text.isEmpty() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
                AppendTyped(text);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace nrt::gui
