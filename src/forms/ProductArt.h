// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The product picture shared by the splash and about windows: a painted 350 x 200
// banner with the product and update labels laid over its lower part as real
// labels, so screen readers can read them.
#include <QWidget>

class QLabel;
class QPainter;

namespace quillo {

inline constexpr const char *kProductName = "Brackwater Quillo III";
inline constexpr const char *kUpdatePack = "Update pack 2";
inline constexpr int kProductArtWidth = 350;
inline constexpr int kProductArtHeight = 200;

// Draws the banner into `area` (meant for 350 x 200; it scales with the area).
void PaintProductArt(QPainter &painter, const QRect &area);

class TProductPicture : public QWidget {
    Q_OBJECT
public:
    explicit TProductPicture(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;     // "Product:"
    QLabel *Label2 = nullptr;     // "Updates:"
    QLabel *lblProduct = nullptr; // product name
    QLabel *lblUpdates = nullptr; // update pack

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace quillo
