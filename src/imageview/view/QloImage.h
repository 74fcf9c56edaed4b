// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture view: a widget on top of a TQloImageHolder. The holder keeps the
// picture, the file name and the operations; the widget paints the picture into
// PictureRect and reports the mouse.
#include "imageview/QloImageHolder.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <string>

class QMouseEvent;

namespace quillo {

// A QImage copy of a bitmap in its colours: Format_BGR888 (the clipboard's form) or
// Format_RGB32 (what the painter draws fastest).
QImage ToQImage(const TBitmap &bitmap, QImage::Format format = QImage::Format_BGR888);

class TQloImage : public QWidget {
    Q_OBJECT

public:
    explicit TQloImage(QWidget *parent = nullptr);
    ~TQloImage() override;

    TQloImageHolder &Holder() { return holder_; }
    const TQloImageHolder &Holder() const { return holder_; }

    const std::string &FileName() const { return holder_.FileName; }
    void SetFileName(const std::string &name) { holder_.FileName = name; }
    bool AutoSave() const { return holder_.AutoSave; }
    void SetAutoSave(bool on) { holder_.AutoSave = on; }
    const TPicture &Picture() const { return holder_.Picture; }
    // Assigns a copy; FileName stays as it is.
    void SetPicture(const TPicture &picture) { holder_.SetPicture(picture); }
    bool Stretch() const { return holder_.Stretch; }
    void SetStretch(bool on);
    bool Proportional() const { return holder_.Proportional; }
    void SetProportional(bool on);
    bool Center() const { return holder_.Center; }
    void SetCenter(bool on);
    bool AutoSize() const { return holder_.AutoSize; }
    void SetAutoSize(bool on);
    void SetOnError(TOnError handler) { holder_.OnError = std::move(handler); }
    void SetOnClip(TOnClip handler) { holder_.OnClip = std::move(handler); }

    void LoadFromFile(const std::string &fileName) { holder_.LoadFromFile(fileName); }
    void SaveToFile(const std::string &fileName) const { holder_.SaveToFile(fileName); }
    // The client area in device pixels. A picture is placed, and drawn at its own
    // size, in device pixels: one picture pixel per screen pixel on any scale.
    QSize DeviceSize() const;
    // The device pixel under a point in widget coordinates.
    QPoint ToDevice(QPointF point) const;
    // Where the picture is drawn in this widget's client area, in device pixels.
    TRect PictureRect() const;
    void Clip(const TRect &rect) { holder_.Clip(rect); }
    void Rotate(std::uint8_t kind) { holder_.Rotate(kind); }

    // Call after changing the holder's picture or placement fields directly:
    // applies AutoSize and repaints (the display copy is remade only when the
    // pixels or the painted size really changed).
    void PictureChanged();

    QSize sizeHint() const override;

Q_SIGNALS:
    void doubleClicked();
    void mousePressed(QMouseEvent *event);
    void mouseMoved(QMouseEvent *event);
    void mouseReleased(QMouseEvent *event);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // The picture's pixels (a JPEG is decoded once and kept while it is shown), or
    // nullptr when they cannot be had; a failure is not retried at every paint.
    const TBitmap *Pixels();
    // The picture stretched to w x h device pixels without filtering, made once per
    // picture and size.
    const QImage &DisplayCopy(const TBitmap &pixels, int w, int h);
    // The widget size that shows the picture at its own size.
    QSize OwnSize() const;

    TQloImageHolder holder_;
    // The stretched copy that is painted unscaled; its buffer is reused for the
    // next picture of the same painted size.
    QImage display_;
    std::uint64_t displayId_ = 0; // the ContentId that display_ shows, 0 for none
    std::uint64_t failedId_ = 0;  // the ContentId whose pixels could not be had
};

} // namespace quillo
