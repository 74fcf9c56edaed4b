// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The preview of the last selection copied in copy mode. For now the window only.
#include <QDialog>

namespace quillo {

class TfCopyPreview : public QDialog {
    Q_OBJECT
public:
    explicit TfCopyPreview(QWidget *parent = nullptr);
};

} // namespace quillo
