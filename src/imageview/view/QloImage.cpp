// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/view/QloImage.h"

#include "imageview/DisplayCopy.h"
#include "platform/Errors.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <QtMath>

#include <cmath>
#include <cstring>
#include <new>

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
    if (holder_.Picture.ContentId() != displayId_)
        displayId_ = 0; // the buffer stays for the next copy of its size
    if (holder_.AutoSize && !OwnSize().isEmpty())
        resize(OwnSize());
    updateGeometry();
    update();
}

QSize TQloImage::OwnSize() const
{
    const TPicture &picture = holder_.Picture;
    if (picture.Width() <= 0 || picture.Height() <= 0)
        return {};
    const qreal ratio = devicePixelRatioF();
    return {static_cast<int>(std::ceil(picture.Width() / ratio)), static_cast<int>(std::ceil(picture.Height() / ratio))};
}

QSize TQloImage::sizeHint() const
{
    const QSize own = OwnSize();
    return own.isEmpty() ? QWidget::sizeHint() : own;
}

QSize TQloImage::DeviceSize() const
{
    const qreal ratio = devicePixelRatioF();
    return {qRound(width() * ratio), qRound(height() * ratio)};
}

QPoint TQloImage::ToDevice(QPointF point) const
{
    const qreal ratio = devicePixelRatioF();
    return {qFloor(point.x() * ratio), qFloor(point.y() * ratio)};
}

TRect TQloImage::PictureRect() const
{
    const QSize device = DeviceSize();
    return holder_.PictureRect(device.width(), device.height());
}

const TBitmap *TQloImage::Pixels()
{
    const std::uint64_t id = holder_.Picture.ContentId();
    if (id == 0 || id == failedId_)
        return nullptr;
    try {
        const TBitmap &pixels = holder_.Picture.DrawBitmap();
        return pixels.Empty() ? nullptr : &pixels;
    } catch (const Error &) {
    } catch (const std::bad_alloc &) {
    }
    // Pixels that cannot be decoded are not drawn, and not tried again until the
    // picture changes.
    failedId_ = id;
    return nullptr;
}

const QImage &TQloImage::DisplayCopy(const TBitmap &pixels, int w, int h)
{
    const std::uint64_t id = holder_.Picture.ContentId();
    if (id == displayId_ && display_.width() == w && display_.height() == h &&
        display_.devicePixelRatio() == devicePixelRatioF())
        return display_;
    const std::vector<int> columns = StretchIndices(pixels.Width(), w);
    const std::vector<int> rows = StretchIndices(pixels.Height(), h);
    if (display_.width() != w || display_.height() != h || !display_.isDetached())
        display_ = QImage(w, h, QImage::Format_RGB32);
    displayId_ = 0;
    if (display_.isNull())
        return display_;
    display_.setDevicePixelRatio(devicePixelRatioF());
    SampleStretched(pixels, columns, rows, 0, 0, w, h, reinterpret_cast<std::uint32_t *>(display_.bits()),
                    display_.bytesPerLine() / 4);
    displayId_ = id;
    return display_;
}

void TQloImage::paintEvent(QPaintEvent *event)
{
    const TRect r = PictureRect();
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    const TBitmap *pixels = Pixels();
    if (!pixels)
        return;
    // Everything below is in device pixels; each copy carries the ratio, so the
    // painter puts it one to one on the screen's pixels.
    const qreal ratio = devicePixelRatioF();
    QPainter painter(this);
    if (r.Width() == pixels->Width() && r.Height() == pixels->Height()) {
        // At its own size only the part to be painted is converted, straight from
        // the picture's rows: no copy of the whole picture.
        const QRect logical = event->rect();
        const QRect device(QPoint(qFloor(logical.left() * ratio), qFloor(logical.top() * ratio)),
                           QPoint(qCeil((logical.right() + 1) * ratio) - 1, qCeil((logical.bottom() + 1) * ratio) - 1));
        const QRect exposed = device & QRect(r.Left, r.Top, r.Width(), r.Height());
        if (exposed.isEmpty())
            return;
        QImage part(exposed.size(), QImage::Format_RGB32);
        if (part.isNull())
            return;
        part.setDevicePixelRatio(ratio);
        const std::vector<int> columns = StretchIndices(pixels->Width(), pixels->Width());
        const std::vector<int> rows = StretchIndices(pixels->Height(), pixels->Height());
        const int x0 = exposed.left() - r.Left, y0 = exposed.top() - r.Top;
        SampleStretched(*pixels, columns, rows, x0, y0, x0 + exposed.width(), y0 + exposed.height(),
                        reinterpret_cast<std::uint32_t *>(part.bits()), part.bytesPerLine() / 4);
        painter.drawImage(QPointF(exposed.left() / ratio, exposed.top() / ratio), part);
        return;
    }
    // Stretched without filtering: each painted pixel shows the one picture pixel
    // nearest its centre, and the copy is made once per picture and size.
    const QImage &display = DisplayCopy(*pixels, r.Width(), r.Height());
    if (!display.isNull())
        painter.drawImage(QPointF(r.Left / ratio, r.Top / ratio), display);
}

// The view keeps the mouse events it reports (the base class would pass them on to
// the parent, which would then own the drag), so a drag's moves and release come here.
void TQloImage::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double click reports its second press too, so a Ctrl+double-click can
    // still start a selection where copy mode expects a press.
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
