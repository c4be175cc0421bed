#include "forms/CardExtrasPanel.h"

#include "app/SjisLimitValidator.h"
#include "db/AddressTable.h"
#include "qt/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace nrt::gui {
namespace {

using recordform::Values;

constexpr const char* kJointHonorifics[] = { "", "様", "殿", "先生", "くん", "ちゃん" };
// A note per year is kept short: the field holds the notes of many years.
constexpr int kNoteBytes = 40;

int Width(int field)
{
    return fieldcatalogue::Info(field).width;
}

} // namespace

CardExtrasPanel::CardExtrasPanel(QWidget* parent)
    : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    auto* people = new QGroupBox(QStringLiteral("連名・会社"), this);
    auto* grid = new QGridLayout(people);
    const auto edit = [&](const QString& name, int limit) {
        auto* e = new QLineEdit(people);
        e->setObjectName(name);
        e->setValidator(new SjisLimitValidator(limit, e));
        connect(e, &QLineEdit::textChanged, this, &CardExtrasPanel::changed);
        return e;
    };
    for (int i = 0; i < field::kJointNameCount; ++i) {
        Joint& j = joints_[static_cast<std::size_t>(i)];
        grid->addWidget(new QLabel(QStringLiteral("連名%1").arg(QChar(0xFF11 + i)), people), i, 0);
        j.name = edit(QStringLiteral("txt_JointName%1").arg(i + 1), Width(field::kJointName1));
        j.name->setToolTip(QStringLiteral("名だけなら宛名の名の位置にそろえて印刷します"));
        grid->addWidget(j.name, i, 1);
        j.honorific = new QComboBox(people);
        j.honorific->setObjectName(QStringLiteral("cbo_JointHonorific%1").arg(i + 1));
        j.honorific->setEditable(true);
        j.honorific->setInsertPolicy(QComboBox::NoInsert);
        for (const char* h : kJointHonorifics)
            j.honorific->addItem(QString::fromUtf8(h));
        j.honorific->setValidator(new SjisLimitValidator(Width(field::kJointHonorific1), j.honorific));
        j.honorific->setToolTip(QStringLiteral("空欄なら宛名の敬称"));
        connect(j.honorific, &QComboBox::currentTextChanged, this, &CardExtrasPanel::changed);
        grid->addWidget(j.honorific, i, 2);
    }
    const struct {
        const char* caption;
        const char* name;
        QLineEdit** edit;
        int field;
    } lines[] = { { "会社名", "txt_Company", &company_, field::kCompany },
        { "部署", "txt_Department", &department_, field::kDepartment },
        { "役職", "txt_Title", &title_, field::kTitle } };
    int row = field::kJointNameCount;
    for (const auto& l : lines) {
        grid->addWidget(new QLabel(QString::fromUtf8(l.caption), people), row, 0);
        *l.edit = edit(QString::fromLatin1(l.name), Width(l.field));
        grid->addWidget(*l.edit, row++, 1, 1, 2);
    }
    outer->addWidget(people);

    auto* history = new QGroupBox(QStringLiteral("年賀状"), this);
    auto* table = new QGridLayout(history);
    for (int i = 0; i < kYearsShown; ++i) {
        Year& y = years_[static_cast<std::size_t>(i)];
        auto* label = new QLabel(history);
        yearLabels_[static_cast<std::size_t>(i)] = label;
        table->addWidget(label, 2 * i, 0);
        const auto check = [&](const char* caption, const char* name) {
            auto* c = new QCheckBox(QString::fromUtf8(caption), history);
            c->setObjectName(QStringLiteral("%1%2").arg(QString::fromLatin1(name)).arg(i));
            connect(c, &QCheckBox::toggled, this, &CardExtrasPanel::changed);
            return c;
        };
        y.sent = check("出", "chk_CardSent");
        y.received = check("受", "chk_CardReceived");
        y.mourning = check("喪中", "chk_Mourning");
        table->addWidget(y.sent, 2 * i, 1);
        table->addWidget(y.received, 2 * i, 2);
        table->addWidget(y.mourning, 2 * i, 3);
        y.note = new QLineEdit(history);
        y.note->setObjectName(QStringLiteral("txt_CardNote%1").arg(i));
        y.note->setValidator(new SjisLimitValidator(kNoteBytes, y.note));
        y.note->setPlaceholderText(QStringLiteral("メモ"));
        connect(y.note, &QLineEdit::textChanged, this, &CardExtrasPanel::changed);
        table->addWidget(y.note, 2 * i + 1, 1, 1, 3);
    }
    outer->addWidget(history);
    outer->addStretch(1);
}

void CardExtrasPanel::Clear(int cardYear)
{
    Load(Values {}, cardYear);
}

void CardExtrasPanel::Load(const Values& values, int cardYear)
{
    const auto value = [&](int item) { return ToQ(values[static_cast<std::size_t>(item)]); };
    for (int i = 0; i < field::kJointNameCount; ++i) {
        const Joint& j = joints_[static_cast<std::size_t>(i)];
        j.name->setText(value(field::kJointName1 + 2 * i));
        j.honorific->setEditText(value(field::kJointHonorific1 + 2 * i));
    }
    company_->setText(value(field::kCompany));
    department_->setText(value(field::kDepartment));
    title_->setText(value(field::kTitle));
    cardYear_ = cardYear;
    loaded_ = cardhistory::Parse(values[field::kCardHistory], values[field::kCardNotes]);
    for (int i = 0; i < kYearsShown; ++i) {
        const Year& y = years_[static_cast<std::size_t>(i)];
        const int year = cardYear - i;
        yearLabels_[static_cast<std::size_t>(i)]->setText(QStringLiteral("%1年").arg(year));
        cardhistory::YearMarks marks = cardhistory::NoMarks(year);
        for (const cardhistory::YearMarks& m : loaded_)
            if (m.year == year)
                marks = m;
        y.sent->setChecked(marks.sent);
        y.received->setChecked(marks.received);
        y.mourning->setChecked(marks.mourning);
        y.note->setText(ToQ(marks.note));
    }
}

void CardExtrasPanel::Store(Values& values) const
{
    for (int i = 0; i < field::kJointNameCount; ++i) {
        const Joint& j = joints_[static_cast<std::size_t>(i)];
        values[static_cast<std::size_t>(field::kJointName1 + 2 * i)] = FromQ(j.name->text());
        values[static_cast<std::size_t>(field::kJointHonorific1 + 2 * i)] = FromQ(j.honorific->currentText());
    }
    values[field::kCompany] = FromQ(company_->text());
    values[field::kDepartment] = FromQ(department_->text());
    values[field::kTitle] = FromQ(title_->text());
    std::vector<cardhistory::YearMarks> years = loaded_;
    for (int i = 0; i < kYearsShown; ++i) {
        const Year& y = years_[static_cast<std::size_t>(i)];
        years = cardhistory::WithYear(std::move(years),
            { cardYear_ - i, y.sent->isChecked(), y.received->isChecked(), y.mourning->isChecked(),
                FromQ(y.note->text()) });
    }
    cardhistory::Fields f = cardhistory::Format(std::move(years));
    values[field::kCardHistory] = std::move(f.history);
    values[field::kCardNotes] = std::move(f.notes);
}

void CardExtrasPanel::OfferCompany(const QString& name)
{
    if (!company_->text().isEmpty() || name.isEmpty())
        return;
    company_->setText(name);
    emit changed();
}

QWidget* CardExtrasPanel::ControlOf(int item) const
{
    if (item >= field::kJointName1 && item <= field::kJointHonorific3) {
        const Joint& j = joints_[static_cast<std::size_t>((item - field::kJointName1) / 2)];
        return (item - field::kJointName1) % 2 == 0 ? static_cast<QWidget*>(j.name) : j.honorific;
    }
    switch (item) {
    case field::kCompany:
        return company_;
    case field::kDepartment:
        return department_;
    case field::kTitle:
        return title_;
    case field::kCardHistory:
    case field::kCardNotes:
        return years_[0].sent;
    default:
        return nullptr;
    }
}

} // namespace nrt::gui
