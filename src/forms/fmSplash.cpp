// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmSplash.h"

#include "forms/ProductArt.h"
#include "gui/WindowPlacement.h"

#include <QEvent>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

namespace quillo {

TfSplash::TfSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fSplash"));
    setWindowTitle(QStringLiteral("Starting up..."));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Image1 = new TProductPicture(this);
    layout->addWidget(Image1);
    Panel1 = new QLabel(QStringLiteral("Starting up..."), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFixedHeight(41);
    Panel1->setAutoFillBackground(true);
    Panel1->setPalette(white);
    layout->addWidget(Panel1);
    setFixedSize(kProductArtWidth, kProductArtHeight + 41);
}

bool TfSplash::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        SetSuspended(true);
    return QWidget::event(event);
}

// Suspending on show as well as on activation: without a window manager (or with
// one that does not focus splash windows) activation may never come, and the
// commands must still stay off while the settings are being restored.
void TfSplash::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        CentreOnScreen(*this);
    SetSuspended(true);
    QWidget::showEvent(event);
}

void TfSplash::hideEvent(QHideEvent *event)
{
    if (!event->spontaneous())
        SetSuspended(false);
    QWidget::hideEvent(event);
}

void TfSplash::SetSuspended(bool suspended)
{
    if (FSuspended == suspended)
        return;
    FSuspended = suspended;
    if (OnSuspendActions)
        OnSuspendActions(suspended);
}

} // namespace quillo
