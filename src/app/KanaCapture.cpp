#include "app/KanaCapture.h"

#include "app/QtText.h"

#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace nrt::gui {
namespace {

const char* const kCaptureProperty = "readkanacapture";

// Half-width forms of ァ (U+30A1) … ヶ (U+30F6).
const char16_t* const kHalfKatakana[] = {
    u"ｧ", u"ｱ", u"ｨ", u"ｲ", u"ｩ", u"ｳ", u"ｪ", u"ｴ", u"ｫ", u"ｵ", u"ｶ", u"ｶﾞ", u"ｷ", u"ｷﾞ", u"ｸ", u"ｸﾞ",
    u"ｹ", u"ｹﾞ", u"ｺ", u"ｺﾞ", u"ｻ", u"ｻﾞ", u"ｼ", u"ｼﾞ", u"ｽ", u"ｽﾞ", u"ｾ", u"ｾﾞ", u"ｿ", u"ｿﾞ", u"ﾀ", u"ﾀﾞ",
    u"ﾁ", u"ﾁﾞ", u"ｯ", u"ﾂ", u"ﾂﾞ", u"ﾃ", u"ﾃﾞ", u"ﾄ", u"ﾄﾞ", u"ﾅ", u"ﾆ", u"ﾇ", u"ﾈ", u"ﾉ", u"ﾊ", u"ﾊﾞ",
    u"ﾊﾟ", u"ﾋ", u"ﾋﾞ", u"ﾋﾟ", u"ﾌ", u"ﾌﾞ", u"ﾌﾟ", u"ﾍ", u"ﾍﾞ", u"ﾍﾟ", u"ﾎ", u"ﾎﾞ", u"ﾎﾟ", u"ﾏ", u"ﾐ", u"ﾑ",
    u"ﾒ", u"ﾓ", u"ｬ", u"ﾔ", u"ｭ", u"ﾕ", u"ｮ", u"ﾖ", u"ﾗ", u"ﾘ", u"ﾙ", u"ﾚ", u"ﾛ", u"ﾜ", u"ﾜ", u"ｲ",
    u"ｴ", u"ｦ", u"ﾝ", u"ｳﾞ", u"ｶ", u"ｹ",
};
static_assert(std::size(kHalfKatakana) == 0x30F6 - 0x30A1 + 1);

QLineEdit* EditOf(QWidget* w)
{
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit;
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->lineEdit();
    return w ? w->findChild<QLineEdit*>() : nullptr;
}

} // namespace

QString KanaCapture::ToHalfWidthKatakana(const QString& text)
{
    QString out;
    for (QChar ch : text) {
        char16_t c = ch.unicode();
        if (c >= 0x3041 && c <= 0x3096) // hiragana → katakana
            c = static_cast<char16_t>(c + 0x60);
        if (c >= 0x30A1 && c <= 0x30F6) {
            out += QString::fromUtf16(kHalfKatakana[c - 0x30A1]);
            continue;
        }
        switch (c) {
        case u'ー': out += u'ｰ'; break;
        case u'。': out += u'｡'; break;
        case u'「': out += u'｢'; break;
        case u'」': out += u'｣'; break;
        case u'、': out += u'､'; break;
        case u'・': out += u'･'; break;
        case u'゛': out += u'ﾞ'; break;
        case u'゜': out += u'ﾟ'; break;
        case u'　': out += u' '; break;
        default: out += QChar(c); break;
        }
    }
    return out;
}

bool KanaCapture::IsAllKana(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        const bool kana = (c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FC) || (c >= 0xFF66 && c <= 0xFF9F)
                          || c == 0x309B || c == 0x309C;
        if (!kana)
            return false;
    }
    return true;
}

KanaCapture::KanaCapture(QLineEdit* name, QLineEdit* kana, int limitBytes)
    : QObject(name), name_(name), kana_(kana), limit_(limitBytes)
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

void KanaCapture::Append(const QString& reading)
{
    if (!kana_ || reading.isEmpty())
        return;
    std::string current = FromQ(kana_->text());
    if (limit_ > 0 && static_cast<int>(current.size()) >= limit_)
        return; // the kana field is full
    std::string joined = current + FromQ(ToHalfWidthKatakana(reading));
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
                if (reading.isEmpty() && IsAllKana(im->commitString()))
                    reading = im->commitString();
                if (name_->hasFocus())
                    Append(reading);
                lastKanaPreedit_.clear();
            }
            if (IsAllKana(im->preeditString()))
                lastKanaPreedit_ = im->preeditString();
            else if (im->preeditString().isEmpty() && im->commitString().isEmpty())
                lastKanaPreedit_.clear(); // composition cancelled
        } else if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            // Characters typed with no composition, never control characters.
            if (!text.isEmpty() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                QString printable;
                for (QChar c : text)
                    if (c.unicode() >= 32 && c.unicode() != 127)
                        printable += c;
                Append(printable);
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace nrt::gui
