// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmSetInterval.h"

#include "forms/Forms.h"
#include "gui/WindowPlacement.h"
#include "forms/fmFullScreen.h"
#include "platform/Services.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace quillo {

TfSetInterval::TfSetInterval(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fSetInterval"));
    setWindowTitle(QStringLiteral("Interval instellen"));
    setFixedSize(242, 96);
    Beep = [] { QApplication::beep(); };

    const auto label = [this](const char *name, const QString &text, int left, int top, int width) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(left, top, width, 17);
        return l;
    };
    Label1 = label("Label1", QStringLiteral("Current Interval:"), 8, 12, 90);
    Label2 = label("Label2", QString(), 100, 12, 60);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label3 = label("Label3", QStringLiteral("seconds"), 166, 12, 60);
    Label4 = label("Label4", QStringLiteral("New interval:"), 8, 40, 90);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(100, 37, 60, 22);
    Edit1->installEventFilter(this);
    Label5 = label("Label5", QStringLiteral("seconds"), 166, 40, 60);

    Button1 = new QPushButton(QStringLiteral("Set"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(84, 66, 75, 25);
    Button1->setDefault(true);
    Button1->setAutoDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    acClose = new QAction(this);
    acClose->setObjectName(QStringLiteral("acClose"));
    acClose->setShortcut(QKeySequence(Qt::Key_Escape));
    acClose->setShortcutContext(Qt::WindowShortcut);
    addAction(acClose);
    connect(acClose, &QAction::triggered, this, &QDialog::reject);
}

std::optional<int> TfSetInterval::ParseSeconds(const QString &AText)
{
    // Pasted text skips the key filter, so the whole entry is checked here.
    if (AText.isEmpty() || AText.size() > 32)
        return std::nullopt;
    std::int64_t seconds = 0;
    for (const QChar c : AText) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        seconds = seconds * 10 + (c.unicode() - '0');
        if (seconds > kMaxSeconds)
            return std::nullopt;
    }
    if (seconds < 1)
        return std::nullopt;
    return static_cast<int>(seconds);
}

int TfSetInterval::AskInterval()
{
    QTimer *clock = fFullScreen ? fFullScreen->Timer1 : nullptr;
    const int current = clock ? clock->interval() / 1000 : 0;
    Label2->setText(QString::number(current));
    Edit1->setText(QString::number(current));
    Edit1->selectAll();
    Edit1->setFocus();
    FSeconds = 0;
    if (RunModal() != QDialog::Accepted)
        return -1;
    const int ms = FSeconds * 1000;
    // A running slideshow goes on with the new interval.
    if (clock)
        clock->setInterval(ms);
    return ms;
}

int TfSetInterval::RunModal()
{
    return exec();
}

bool TfSetInterval::Edit1KeyPress(QChar Key)
{
    if ((Key >= QLatin1Char('0') && Key <= QLatin1Char('9')) || Key == QLatin1Char('\b') ||
        Key == QLatin1Char('\r'))
        return true;
    if (Beep)
        Beep();
    return false;
}

void TfSetInterval::Button1Click()
{
    const std::optional<int> seconds = ParseSeconds(Edit1->text());
    if (!seconds) {
        ShowMessage(kOutOfRange);
        Edit1->selectAll();
        Edit1->setFocus();
        return;
    }
    FSeconds = *seconds;
    accept();
}

bool TfSetInterval::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == Edit1 && e->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(e);
        // Only typed characters are filtered: moving, deleting and changing the
        // focus produce none (X reports Delete and Tab with one, Windows does not).
        const QString text = key->text();
        const bool character = text.size() == 1 && key->key() != Qt::Key_Delete && key->key() != Qt::Key_Tab &&
                               key->key() != Qt::Key_Backtab && key->key() != Qt::Key_Escape;
        const QChar typed = key->key() == Qt::Key_Enter ? QLatin1Char('\r') : (text.isEmpty() ? QChar() : text[0]);
        if (character && !Edit1KeyPress(typed))
            return true;
    }
    return QDialog::eventFilter(watched, e);
}

void TfSetInterval::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        CentreOnScreen(*this);
    QDialog::showEvent(event);
}

} // namespace quillo
