// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmAbout.h"

#include "forms/ProductArt.h"
#include "gui/WindowPlacement.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace quillo {

TfAbout::TfAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(QStringLiteral("About %1...").arg(QString::fromLatin1(kProductName)));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->setSpacing(8);
    Image1 = new TProductPicture(this);
    layout->addWidget(Image1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    buttons->addWidget(Button1);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TfAbout::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        CentreOnScreen(*this);
    QDialog::showEvent(event);
}

} // namespace quillo
