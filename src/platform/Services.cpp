// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Services.h"

#include <cstdio>

namespace quillo {
namespace {

class StderrMessages final : public IMessageService {
public:
    TMsgResult Show(const std::string &text, const std::string &caption, TMsgButtons buttons,
                    TMsgIcon) override
    {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return buttons == TMsgButtons::YesNo ? TMsgResult::No : TMsgResult::Ok;
    }
};

class NoClipboard final : public IClipboardService {
public:
    void SetBitmap(const TBitmap &) override {}
};

StderrMessages gStderrMessages;
NoClipboard gNoClipboard;
IMessageService *gMessages = nullptr;
IClipboardService *gClipboard = nullptr;
std::string gTitle = "Quillo";

} // namespace

IMessageService &MessageService() { return gMessages ? *gMessages : gStderrMessages; }
void SetMessageService(IMessageService *service) { gMessages = service; }
IClipboardService &ClipboardService() { return gClipboard ? *gClipboard : gNoClipboard; }
void SetClipboardService(IClipboardService *service) { gClipboard = service; }
const std::string &ApplicationTitle() { return gTitle; }
void SetApplicationTitle(const std::string &title) { gTitle = title; }

void ShowMessage(const std::string &text)
{
    MessageService().Show(text, ApplicationTitle(), TMsgButtons::Ok, TMsgIcon::None);
}

} // namespace quillo
