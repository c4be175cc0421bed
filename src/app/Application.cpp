#include "app/Application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QRadioButton>
#include <QTranslator>

namespace nrt::gui {
namespace {

// The texts Qt's own Japanese translation leaves in English (the print dialog's page
// range and two-sided printing, the file dialog's kinds), consulted before it.
class MissingQtTexts final : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* source, const char*, int) const override
    {
        static const QHash<QString, QString> texts = {
            { QStringLiteral("QPrintSettingsOutput|Pages"), QStringLiteral("ページ指定") },
            { QStringLiteral("QPrintSettingsOutput|Double Sided Printing"), QStringLiteral("両面印刷") },
            { QStringLiteral("QPrintSettingsOutput|Off"), QStringLiteral("しない") },
            { QStringLiteral("QPrintSettingsOutput|Long side binding"), QStringLiteral("長辺とじ") },
            { QStringLiteral("QPrintSettingsOutput|Short side binding"), QStringLiteral("短辺とじ") },
            { QStringLiteral(
                  "QPrintSettingsOutput|Specify pages or ranges separated by commas. Ranges are specified by "
                  "two numbers separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9."),
                QStringLiteral("印刷するページをコンマで区切って指定します。範囲はハイフンでつなぎます。"
                               "例: 3,5-7,9 は 3, 5, 6, 7, 9 ページを印刷します。") },
            { QStringLiteral("QAbstractFileIconProvider|Folder"), QStringLiteral("フォルダー") },
            { QStringLiteral("QAbstractFileIconProvider|Drive"), QStringLiteral("ドライブ") },
        };
        return texts.value(QString::fromLatin1(context) + QLatin1Char('|') + QString::fromLatin1(source));
    }

    bool isEmpty() const override { return false; }
};

// Return or Enter on a focused push or tool button presses it, in every window, as the
// space bar does; buttons that are nobody's default otherwise let the key pass.
class ReturnPressesButton final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            || (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button) || !button->hasFocus()
            || !button->isEnabled() || !button->isVisible())
            return false;
        button->click();
        return true;
    }
};

} // namespace

bool SetUpApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("nortea"));
    QApplication::setDesktopFileName(QStringLiteral("nortea"));
    // Installed, the icon is the desktop's (hicolor); a build tree or portable copy has it beside the program.
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("nortea"), QIcon(QApplication::applicationDirPath() + QStringLiteral("/nortea.png"))));
    app.installEventFilter(new ReturnPressesButton(&app));
    // The program speaks Japanese whatever the session's language is.
    auto* qtTexts = new QTranslator(&app);
    if (!qtTexts->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qtTexts;
        return false;
    }
    QApplication::installTranslator(qtTexts);
    // Installed last, so asked first.
    QApplication::installTranslator(new MissingQtTexts(&app));
    return true;
}

} // namespace nrt::gui
