// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmRename.h"

#include "gui/WindowPlacement.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace quillo {

TfRename::TfRename(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fRename"));
    setWindowTitle(QStringLiteral("Rename file..."));

    GroupBox1 = new QGroupBox(QStringLiteral("Rename:"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, GroupBox1);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    Label1 = label("Label1", QStringLiteral("Old filename:"));
    Label2 = label("Label2", QString());
    Label3 = label("Label3", QStringLiteral("Extention:"));
    Label4 = label("Label4", QString());
    Label5 = label("Label5", QStringLiteral("New filename:"));
    Label6 = label("Label6", QString());
    Label2->setTextFormat(Qt::PlainText); // names are shown as they are, never as markup
    Label4->setTextFormat(Qt::PlainText);
    Label6->setTextFormat(Qt::PlainText);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(257);
    Label5->setBuddy(Edit1);
    Edit1->installEventFilter(this);

    auto *grid = new QGridLayout(GroupBox1);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Label2, 0, 1, 1, 2);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(Label4, 1, 1, 1, 2);
    grid->addWidget(Label5, 2, 0);
    grid->addWidget(Edit1, 2, 1);
    grid->addWidget(Label6, 2, 2);
    grid->setColumnStretch(2, 1);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    Button2 = new QPushButton(QStringLiteral("Agree"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setDefault(true);
    Button1 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    for (QWidget *w : {static_cast<QWidget *>(Button1), static_cast<QWidget *>(Button2)})
        w->installEventFilter(this);
    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(Bevel1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TfRename::IsRefusedKey(QChar c)
{
    switch (c.unicode()) {
    case '/': case '\\': case ':': case '*': case '?': case '<': case '>': case '|': case '"':
        return true;
    default:
        return false;
    }
}

int TfRename::RunModal() { return exec(); }

bool TfRename::FormKeyDown(int key)
{
    if (key == Qt::Key_Escape) {
        reject();
        return true;
    }
    return false;
}

bool TfRename::Edit1KeyPress(const QString &text)
{
    for (const QChar c : text)
        if (IsRefusedKey(c)) {
            QApplication::beep();
            return true;
        }
    return false;
}

void TfRename::FormActivate()
{
    // The caller has selected the whole name; focusing keeps that selection.
    Edit1->setFocus(Qt::ActiveWindowFocusReason);
}

void TfRename::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        CentreOnScreen(*this);
    QDialog::showEvent(event);
    FormActivate();
}

bool TfRename::event(QEvent *event)
{
    const bool result = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return result;
}

bool TfRename::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (FormKeyDown(key->key()))
            return true;
        if (watched == Edit1 && Edit1KeyPress(key->text()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quillo
