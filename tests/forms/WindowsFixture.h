// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application's windows, made for real over a temporary folder that holds a
// "pictures" folder; message boxes go to a fake. A test writes its files in
// MakeFiles, which runs before the windows exist.
#include "forms/Forms.h"
#include "forms/main/fmMain.h"
#include "imageview/BmpCodec.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "FakeMessages.h"

#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace quillo::test {

// A picture whose pixels differ by place (x in green, y in red) and by `shade` (blue).
inline void WritePicture(const std::string &path, int w, int h, std::uint8_t shade = 0)
{
    TBitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t *p = b.ScanLine(y) + 3 * x;
            p[0] = shade;
            p[1] = static_cast<std::uint8_t>(x);
            p[2] = static_cast<std::uint8_t>(y);
        }
    WriteBmpFile(b, path);
}

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = dir.path().toStdString();
        pictures = root + "/pictures";
        ASSERT_EQ(::mkdir(pictures.c_str(), 0755), 0);
        MakeFiles();
        if (HasFatalFailure())
            return;
        SetMessageService(&messages);
        CreateApplicationWindows((root + "/quillo.ini").c_str());
        fMain->tmrStartup->stop();
    }
    void TearDown() override
    {
        DestroyApplicationWindows();
        SetMessageService(nullptr);
        SetTickSource(nullptr);
    }
    virtual void MakeFiles() {}

    QTemporaryDir dir;
    std::string root, pictures;
    FakeMessages messages;
};

} // namespace quillo::test
