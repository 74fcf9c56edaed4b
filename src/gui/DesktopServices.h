// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop's message boxes and clipboard behind the seams of platform/Services.h.
#include "platform/Services.h"

#include <QString>

namespace quillo {

// Quillo's texts break lines with "\r" (and the odd "\r\n"); Qt wants "\n".
QString MessageText(const std::string &text);

class TDesktopMessages final : public IMessageService {
public:
    TMsgResult Show(const std::string &text, const std::string &caption, TMsgButtons buttons,
                    TMsgIcon icon) override;
};

class TDesktopClipboard final : public IClipboardService {
public:
    // Replaces the clipboard's contents with the bitmap as an image.
    void SetBitmap(const TBitmap &bitmap) override;
};

// Installs one of each for the rest of the run; needs a QApplication.
void InstallDesktopServices();

} // namespace quillo
