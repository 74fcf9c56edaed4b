// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A temporary folder for platform tests. Removal is done with POSIX calls on byte
// names, because Qt cannot remove names that are not valid UTF-8.
#include <QFile>
#include <QTemporaryDir>
#include <ftw.h>
#include <stdio.h>
#include <string>

namespace quillo::test {

class TempFolder {
public:
    TempFolder() : path_(QFile::encodeName(dir_.path()).toStdString()) { dir_.setAutoRemove(false); }
    ~TempFolder()
    {
        ::nftw(
            path_.c_str(),
            [](const char *p, const struct stat *, int, struct FTW *) {
                ::remove(p); // best effort: a leftover must not fail the test
                return 0;
            },
            16, FTW_DEPTH | FTW_PHYS);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::string &path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }

private:
    QTemporaryDir dir_;
    std::string path_;
};

} // namespace quillo::test
