// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/view/QloImage.h"

#include "imageview/DisplayCopy.h"
#include "platform/Errors.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <new>

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
    if (holder_.Picture.ContentId() != displayId_)
        displayId_ = 0; // the buffer stays for the next copy of its size
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
    if (id == displayId_ && display_.width() == w && display_.height() == h)
        return display_;
    const std::vector<int> columns = StretchIndices(pixels.Width(), w);
    const std::vector<int> rows = StretchIndices(pixels.Height(), h);
    // What the painter's stepping leaves unpainted at the far edges stays unpainted.
    const int paintedW = static_cast<int>(columns.size()), paintedH = static_cast<int>(rows.size());
    if (display_.width() != paintedW || display_.height() != paintedH || !display_.isDetached())
        display_ = QImage(paintedW, paintedH, QImage::Format_RGB32);
    displayId_ = 0;
    if (display_.isNull())
        return display_;
    SampleStretched(pixels, columns, rows, 0, 0, paintedW, paintedH, reinterpret_cast<std::uint32_t *>(display_.bits()),
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
    QPainter painter(this);
    if (r.Width() == pixels->Width() && r.Height() == pixels->Height()) {
        // At its own size only the part to be painted is converted, straight from
        // the picture's rows: no copy of the whole picture.
        const QRect exposed = event->rect() & QRect(r.Left, r.Top, r.Width(), r.Height());
        if (exposed.isEmpty())
            return;
        QImage part(exposed.size(), QImage::Format_RGB32);
        if (part.isNull())
            return;
        const std::vector<int> columns = StretchIndices(pixels->Width(), pixels->Width());
        const std::vector<int> rows = StretchIndices(pixels->Height(), pixels->Height());
        const int x0 = exposed.left() - r.Left, y0 = exposed.top() - r.Top;
        SampleStretched(*pixels, columns, rows, x0, y0, x0 + exposed.width(), y0 + exposed.height(),
                        reinterpret_cast<std::uint32_t *>(part.bits()), part.bytesPerLine() / 4);
        painter.drawImage(exposed.topLeft(), part);
        return;
    }
    // Stretched without filtering, as the picture control always drew: the copy
    // holds exactly the pixels that stretching the whole picture painted.
    const QImage &display = DisplayCopy(*pixels, r.Width(), r.Height());
    if (!display.isNull())
        painter.drawImage(QPoint(r.Left, r.Top), display);
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
