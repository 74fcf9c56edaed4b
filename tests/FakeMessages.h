// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A message service for tests: records each message box instead of showing it,
// and answers OK (No to a yes/no question).
#include "platform/Services.h"

#include <string>
#include <vector>

namespace quillo::test {

struct FakeMessages : IMessageService {
    std::vector<std::string> texts, captions;
    std::vector<TMsgIcon> icons;
    TMsgResult Show(const std::string &text, const std::string &caption, TMsgButtons buttons, TMsgIcon icon) override
    {
        texts.push_back(text);
        captions.push_back(caption);
        icons.push_back(icon);
        return buttons == TMsgButtons::YesNo ? TMsgResult::No : TMsgResult::Ok;
    }
};

} // namespace quillo::test
