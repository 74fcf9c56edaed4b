// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Seams for the two things core code must ask of the desktop: a modal message
// box and the clipboard. The GUI installs real ones at start; tests install fakes.
#include <string>

namespace quillo {

class TBitmap;

enum class TMsgButtons { Ok, YesNo };
enum class TMsgIcon { None, Information, Exclamation, Question, Error };
enum class TMsgResult { Ok, Cancel, Yes, No };

class IMessageService {
public:
    virtual ~IMessageService() = default;
    // `text` uses "\r" for a line break, as Quillo's fixed texts do.
    virtual TMsgResult Show(const std::string &text, const std::string &caption,
                            TMsgButtons buttons, TMsgIcon icon) = 0;
};

class IClipboardService {
public:
    virtual ~IClipboardService() = default;
    virtual void SetBitmap(const TBitmap &bitmap) = 0;
};

// Without an installed service, messages go to standard error and are answered
// with Ok/No (the answer that changes nothing); clipboard writes are dropped.
IMessageService &MessageService();
void SetMessageService(IMessageService *service);
IClipboardService &ClipboardService();
void SetClipboardService(IClipboardService *service);

// The application title used as the caption of plain message boxes.
const std::string &ApplicationTitle();
void SetApplicationTitle(const std::string &title);

// Plain message box with an OK button and the application title.
void ShowMessage(const std::string &text);

} // namespace quillo
