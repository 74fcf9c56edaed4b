// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/ProductArt.h"

#include <QFont>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace quillo {

void PaintProductArt(QPainter &painter, const QRect &area)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(area.topLeft());
    painter.scale(area.width() / double(kProductArtWidth), area.height() / double(kProductArtHeight));
    const QRectF r(0, 0, kProductArtWidth, kProductArtHeight);

    // Night-blue sky fading into sea green.
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0.0, QColor(0x14, 0x1f, 0x3d));
    sky.setColorAt(0.55, QColor(0x1f, 0x4e, 0x6e));
    sky.setColorAt(1.0, QColor(0x2a, 0x7a, 0x78));
    painter.fillRect(r, sky);

    // A soft glow behind the glyph.
    QRadialGradient glow(QPointF(78, 72), 90);
    glow.setColorAt(0.0, QColor(255, 255, 255, 70));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.fillRect(r, glow);

    // The viewer glyph: a framed picture with a sun over two hills.
    const QRectF frame(28, 30, 100, 78);
    painter.setPen(QPen(Qt::white, 4));
    painter.setBrush(QColor(0x0d, 0x2b, 0x45));
    painter.drawRoundedRect(frame, 8, 8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf6, 0xc3, 0x4a));
    painter.drawEllipse(QPointF(100, 54), 11, 11);
    QPainterPath far;
    far.moveTo(32, 102);
    far.lineTo(66, 62);
    far.lineTo(92, 90);
    far.lineTo(104, 78);
    far.lineTo(124, 102);
    far.closeSubpath();
    painter.setBrush(QColor(0x5f, 0xb8, 0x9c));
    painter.drawPath(far);
    QPainterPath near;
    near.moveTo(32, 104);
    near.quadTo(70, 80, 124, 104);
    near.closeSubpath();
    painter.setBrush(QColor(0x3c, 0x8f, 0x74));
    painter.drawPath(near);

    // A quill stroke crossing the frame's corner.
    QPainterPath quill;
    quill.moveTo(118, 118);
    quill.cubicTo(132, 88, 150, 50, 178, 26);
    quill.cubicTo(160, 60, 146, 92, 118, 118);
    painter.setBrush(QColor(255, 255, 255, 220));
    painter.drawPath(quill);

    // The word mark.
    QFont word(QStringLiteral("Sans Serif"));
    word.setPixelSize(46);
    word.setBold(true);
    painter.setFont(word);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(158, 38, 192, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillo"));
    QFont mark = word;
    mark.setPixelSize(20);
    painter.setFont(mark);
    painter.setPen(QColor(0xf6, 0xc3, 0x4a));
    painter.drawText(QRectF(164, 92, 182, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("I I I"));

    // Darker band that carries the white labels.
    painter.fillRect(QRectF(0, 140, kProductArtWidth, 60), QColor(0, 0, 0, 90));
    painter.setPen(QPen(QColor(255, 255, 255, 120), 1));
    painter.drawLine(QPointF(12, 140.5), QPointF(kProductArtWidth - 12, 140.5));
    painter.restore();
}

namespace {

QLabel *WhiteLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}

} // namespace

TProductPicture::TProductPicture(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Image1"));
    setFixedSize(kProductArtWidth, kProductArtHeight);
    setAccessibleName(QString::fromLatin1(kProductName));
    Label1 = WhiteLabel(this, "Label1", QStringLiteral("Product:"), QRect(16, 148, 70, 20));
    Label2 = WhiteLabel(this, "Label2", QStringLiteral("Updates:"), QRect(16, 172, 70, 20));
    lblProduct = WhiteLabel(this, "lblProduct", QString::fromLatin1(kProductName), QRect(90, 148, 250, 20));
    lblUpdates = WhiteLabel(this, "lblUpdates", QString::fromLatin1(kUpdatePack), QRect(90, 172, 250, 20));
}

void TProductPicture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PaintProductArt(painter, rect());
}

} // namespace quillo
