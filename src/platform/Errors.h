// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <stdexcept>
#include <string>
#include <utility>

namespace quillo {

// Every failure Quillo raises itself; the message is meant for the user.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failure on one file, whose name and system reason a message can also show on
// lines of their own. what() reads: <action> "<path>". <reason>
class FileError : public Error {
public:
    FileError(const std::string &action, std::string path, std::string reason)
        : Error(action + " \"" + path + "\". " + reason), path_(std::move(path)), reason_(std::move(reason))
    {
    }
    const std::string &Path() const { return path_; }
    const std::string &Reason() const { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

} // namespace quillo
