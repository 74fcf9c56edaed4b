// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/view/QloImage.h"

#include "platform/Errors.h"

#include <QMouseEvent>
#include <QPainter>

#include <cstring>

namespace quillo {

QImage ToQImage(const TBitmap &bitmap, QImage::Format format)
{
    if (bitmap.Empty())
        return {};
    if (bitmap.BitsPerPixel() != 24)
        return ToQImage(bitmap.To24Bit(), format);
    if (format != QImage::Format_BGR888 && format != QImage::Format_RGB32)
        throw Error("Unsupported display format");
    QImage image(bitmap.Width(), bitmap.Height(), format);
    if (image.isNull())
        throw Error("Not enough memory to show a " + std::to_string(bitmap.Width()) + " x " +
                    std::to_string(bitmap.Height()) + " picture");
    const int width = bitmap.Width();
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t *s = bitmap.ScanLine(y);
        if (format == QImage::Format_BGR888) {
            std::memcpy(image.scanLine(y), s, static_cast<std::size_t>(width) * 3);
            continue;
        }
        auto *d = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x, s += 3)
            d[x] = qRgb(s[2], s[1], s[0]);
    }
    return image;
}

TQloImage::TQloImage(QWidget *parent) : QWidget(parent)
{
    holder_.OnChange = [this] {
        PictureChanged();
        // A turned picture is shown before Rotate goes on to write the file.
        if (isVisible())
            repaint();
    };
}

TQloImage::~TQloImage()
{
    holder_.OnChange = nullptr;
}

void TQloImage::SetStretch(bool on)
{
    holder_.Stretch = on;
    update();
}

void TQloImage::SetProportional(bool on)
{
    holder_.Proportional = on;
    update();
}

void TQloImage::SetCenter(bool on)
{
    holder_.Center = on;
    update();
}

void TQloImage::SetAutoSize(bool on)
{
    holder_.AutoSize = on;
    PictureChanged();
}

void TQloImage::PictureChanged()
{
    if (holder_.Picture.ContentId() != displayId_) {
        display_ = QImage();
        displayId_ = 0;
    }
    const TPicture &picture = holder_.Picture;
    if (holder_.AutoSize && picture.Width() > 0 && picture.Height() > 0)
        resize(picture.Width(), picture.Height());
    updateGeometry();
    update();
}

QSize TQloImage::sizeHint() const
{
    const TPicture &picture = holder_.Picture;
    if (picture.Width() > 0 && picture.Height() > 0)
        return {picture.Width(), picture.Height()};
    return QWidget::sizeHint();
}

const QImage &TQloImage::DisplayImage()
{
    const std::uint64_t id = holder_.Picture.ContentId();
    if (id == displayId_)
        return display_;
    display_ = QImage();
    displayId_ = id;
    if (id == 0)
        return display_;
    try {
        display_ = ToQImage(holder_.Picture.DrawBitmap(), QImage::Format_RGB32);
        // The display copy is what is drawn from now on; a JPEG decodes again for
        // the rare Clip or render rather than keep its pixels twice.
        holder_.Picture.ReleaseDecoded();
    } catch (const Error &) {
        // Pixels that cannot be decoded are not drawn; the id is kept, so the
        // failed decode is not retried at every paint.
        display_ = QImage();
    }
    return display_;
}

void TQloImage::paintEvent(QPaintEvent *)
{
    const QImage &image = DisplayImage();
    if (image.isNull())
        return;
    const TRect r = PictureRect();
    if (r.Width() == 0 || r.Height() == 0)
        return;
    QPainter painter(this);
    // Stretched without filtering, as the picture control always drew.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), image);
}

// The view keeps the mouse events it reports (the base class would pass them on to
// the parent, which would then own the drag), so a drag's moves and release come here.
void TQloImage::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click is a press too, as on the desktop it came from.
    Q_EMIT mousePressed(event);
    Q_EMIT doubleClicked();
}

void TQloImage::mousePressEvent(QMouseEvent *event)
{
    Q_EMIT mousePressed(event);
}

void TQloImage::mouseMoveEvent(QMouseEvent *event)
{
    Q_EMIT mouseMoved(event);
}

void TQloImage::mouseReleaseEvent(QMouseEvent *event)
{
    Q_EMIT mouseReleased(event);
}

} // namespace quillo
