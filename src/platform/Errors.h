// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <stdexcept>
#include <string>

namespace quillo {

// Every failure Quillo raises itself; the message is meant for the user.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace quillo
