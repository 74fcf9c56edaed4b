// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files for catalogue tests: tiny real bitmaps, sparse files of a given size, and
// a message box that answers from a script.
#include "imageview/JpegImage.h"
#include "platform/Services.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillo::testing {

inline void PutLE(std::vector<std::uint8_t> &b, std::size_t at, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A 24-bit 2 x 2 bitmap file of exactly `fileSize` bytes (at least 70): the
// pixels sit at the end, after a gap of zeros that bfOffBits skips.
inline std::vector<std::uint8_t> BmpHeaderAndPixels(std::uint32_t fileSize, std::uint8_t shade)
{
    const std::uint32_t pixelBytes = 16; // two rows of 6 bytes, padded to 8
    std::vector<std::uint8_t> head(54, 0);
    head[0] = 'B';
    head[1] = 'M';
    PutLE(head, 2, fileSize, 4);
    PutLE(head, 10, fileSize - pixelBytes, 4);
    PutLE(head, 14, 40, 4);
    PutLE(head, 18, 2, 4);
    PutLE(head, 22, 2, 4);
    PutLE(head, 26, 1, 2);
    PutLE(head, 28, 24, 2);
    PutLE(head, 34, pixelBytes, 4);
    std::vector<std::uint8_t> pixels(pixelBytes, shade);
    pixels[6] = pixels[7] = pixels[14] = pixels[15] = 0;
    head.insert(head.end(), pixels.begin(), pixels.end()); // only used when there is no gap
    return head;
}

inline void WriteBytes(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

inline std::vector<std::uint8_t> ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A loadable bitmap of exactly `fileSize` bytes; large sizes stay sparse on disk.
inline void WriteBmp(const std::string &path, std::uint32_t fileSize = 70, std::uint8_t shade = 0x80)
{
    if (fileSize < 70)
        throw std::runtime_error("a bitmap needs 70 bytes");
    std::vector<std::uint8_t> all = BmpHeaderAndPixels(fileSize, shade);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path);
    bool ok = ::pwrite(fd, all.data(), 54, 0) == 54 &&
              ::pwrite(fd, all.data() + 54, 16, static_cast<off_t>(fileSize - 16)) == 16;
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        throw std::runtime_error("cannot write " + path);
}

// A real 2 x 2 JPEG file; with `fileSize` it is padded after its end marker to
// exactly that many bytes (sparse), which readers of the header ignore.
inline void WriteJpeg(const std::string &path, std::uint32_t fileSize = 0)
{
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(TBitmap(2, 2), 90);
    if (fileSize != 0 && fileSize < jpeg.size())
        throw std::runtime_error("a JPEG needs more bytes");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path);
    bool ok = ::write(fd, jpeg.data(), jpeg.size()) == static_cast<ssize_t>(jpeg.size());
    if (fileSize != 0)
        ok = ok && ::ftruncate(fd, fileSize) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        throw std::runtime_error("cannot write " + path);
}

// A file of `size` bytes that holds no picture (sparse).
inline void WriteSparse(const std::string &path, std::int64_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, size) != 0)
        throw std::runtime_error("cannot size " + path);
    ::close(fd);
}

struct TAskedQuestion {
    std::string Text;
    std::string Caption;
    TMsgButtons Buttons;
    TMsgIcon Icon;
};

// Records every question and answers each with `Answer`.
class TScriptedMessages final : public IMessageService {
public:
    explicit TScriptedMessages(TMsgResult answer) : Answer(answer) { SetMessageService(this); }
    ~TScriptedMessages() override { SetMessageService(nullptr); }
    TMsgResult Show(const std::string &text, const std::string &caption, TMsgButtons buttons,
                    TMsgIcon icon) override
    {
        Asked.push_back({text, caption, buttons, icon});
        return Answer;
    }
    TMsgResult Answer;
    std::vector<TAskedQuestion> Asked;
};

inline std::string DirPath(const QTemporaryDir &dir) { return dir.path().toStdString(); }

} // namespace quillo::testing
