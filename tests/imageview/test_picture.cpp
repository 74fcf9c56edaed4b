// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/BmpCodec.h"
#include "imageview/JpegSamples.h"
#include "imageview/Picture.h"
#include "imageview/QloImageHolder.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <string>

using namespace quillo;
using namespace quillo::test;

namespace {

class PictureFiles : public ::testing::Test {
protected:
    std::string Path(const std::string &name) const { return dir.path().toStdString() + "/" + name; }
    std::string Write(const std::string &name, const std::vector<std::uint8_t> &bytes) const
    {
        SafeWriteFile(Path(name), bytes);
        return Path(name);
    }
    std::string LoadError(const std::string &path) const
    {
        try {
            TPicture p;
            p.LoadFromFile(path);
        } catch (const Error &e) {
            return e.what();
        }
        return {};
    }

    QTemporaryDir dir;
    TQloImageHolder holder; // registers the JPEG extensions
    const std::vector<std::uint8_t> jpegBytes = EncodeJpeg(QuadrantBitmap(20, 10), 90);
    const std::vector<std::uint8_t> bmpBytes = WriteBmp(QuadrantBitmap(6, 4));
};

} // namespace

TEST(PictureFormats, LookupIgnoresCaseAndTheDot)
{
    TQloImageHolder holder;
    for (const char *ext : {"bmp", "BMP", ".Bmp"}) {
        const auto f = TPictureFormats::Find(ext);
        ASSERT_TRUE(f) << ext;
        EXPECT_EQ(f->Kind, TGraphicKind::Bitmap);
        EXPECT_EQ(f->Extension, "bmp");
    }
    for (const char *ext : {"jpg", "JPG", ".jpeg", ".JpEg"}) {
        const auto f = TPictureFormats::Find(ext);
        ASSERT_TRUE(f) << ext;
        EXPECT_EQ(f->Kind, TGraphicKind::Jpeg);
        EXPECT_EQ(f->Description, "JPEG");
    }
    EXPECT_FALSE(TPictureFormats::Find("xcf"));
    EXPECT_FALSE(TPictureFormats::Find(""));
    EXPECT_FALSE(TPictureFormats::Find("jp"));
    // Registering again replaces, never duplicates.
    TPictureFormats::Register(".JPG", "JPEG", TGraphicKind::Jpeg);
    EXPECT_EQ(TPictureFormats::Find("jpg")->Extension, "jpg");
}

TEST_F(PictureFiles, ExtensionChoosesTheKind)
{
    TPicture p;
    p.LoadFromFile(Write("upper.JPG", jpegBytes));
    EXPECT_EQ(p.Kind(), TGraphicKind::Jpeg);
    EXPECT_EQ(p.Width(), 20);
    EXPECT_EQ(p.Height(), 10);
    p.LoadFromFile(Write("long.jpeg", jpegBytes));
    EXPECT_EQ(p.Kind(), TGraphicKind::Jpeg);
    p.LoadFromFile(Write("plain.Bmp", bmpBytes));
    EXPECT_EQ(p.Kind(), TGraphicKind::Bitmap);
    EXPECT_EQ(p.DrawBitmap(), QuadrantBitmap(6, 4));
}

TEST_F(PictureFiles, UnknownOrMislabelledFilesFailClearly)
{
    const std::string gif = LoadError(Write("anim.gif", jpegBytes));
    EXPECT_NE(gif.find(".gif"), std::string::npos) << gif;
    EXPECT_NE(LoadError(Write("noextension", jpegBytes)), "");
    EXPECT_NE(LoadError(Path("missing.jpg")), "");

    const std::string jpegInBmp = LoadError(Write("photo.bmp", jpegBytes));
    EXPECT_NE(jpegInBmp.find("photo.bmp"), std::string::npos) << jpegInBmp;
    EXPECT_NE(jpegInBmp.find("Bitmap"), std::string::npos) << jpegInBmp;
    const std::string bmpInJpeg = LoadError(Write("scan.jpg", bmpBytes));
    EXPECT_NE(bmpInJpeg.find("scan.jpg"), std::string::npos) << bmpInJpeg;
    EXPECT_NE(bmpInJpeg.find("Not a JPEG file"), std::string::npos) << bmpInJpeg;

    // A failed load leaves the picture as it was.
    TPicture p;
    p.LoadFromFile(Write("keep.jpg", jpegBytes));
    EXPECT_THROW(p.LoadFromFile(Path("scan.jpg")), Error);
    EXPECT_EQ(p.Kind(), TGraphicKind::Jpeg);
    EXPECT_EQ(p.Width(), 20);
}

TEST_F(PictureFiles, EmptyFilesAndDecodingErrorsNameTheFileAndFormat)
{
    EXPECT_EQ(LoadError(Write("empty.jpg", {})), "Cannot load \"" + Path("empty.jpg") + "\" as JPEG: The file is empty");
    EXPECT_EQ(LoadError(Write("empty.bmp", {})), "Cannot load \"" + Path("empty.bmp") + "\" as Bitmap: The file is empty");
    // A FIFO named like a picture (selected in the list) is refused at once, never waited on.
    ASSERT_EQ(::mkfifo(Path("pipe.jpg").c_str(), 0644), 0);
    EXPECT_EQ(LoadError(Path("pipe.jpg")), "Cannot open file \"" + Path("pipe.jpg") + "\". It is a named pipe, not a regular file");

    // Damaged past its header: the load succeeds, the decoding fails and says where.
    std::vector<std::uint8_t> damaged = jpegBytes;
    SetFrameSize(damaged, 40000, 40000);
    TPicture p;
    p.LoadFromFile(Write("pano.jpg", damaged));
    EXPECT_EQ(p.Width(), 40000);
    for (const auto &decode : {std::function<void()>([&] { (void)p.DrawBitmap(); }),
                               std::function<void()>([&] { (void)p.ToBitmap(); }),
                               std::function<void()>([&] { (void)TPicture(p).DrawBitmap(); })}) {
        try {
            decode();
            ADD_FAILURE() << "decoded";
        } catch (const Error &e) {
            EXPECT_EQ(std::string(e.what()), "Cannot load \"" + Path("pano.jpg") +
                                                 "\" as JPEG: Picture too large: 40000 x 40000 is 1600000000 "
                                                 "pixels, more than the limit of 357913941 pixels");
        }
    }
}

TEST_F(PictureFiles, SavesInItsOwnFormat)
{
    TPicture jpeg;
    jpeg.LoadFromFile(Write("in.jpg", jpegBytes));
    (void)jpeg.DrawBitmap();
    jpeg.SaveToFile(Path("out.jpg"));
    EXPECT_EQ(ReadFileBytes(Path("out.jpg")), jpegBytes);

    jpeg.ReplacePixels(QuadrantBitmap(8, 16));
    EXPECT_EQ(jpeg.Kind(), TGraphicKind::Jpeg);
    jpeg.SaveToFile(Path("out.jpg"));
    const TBitmap reencoded = DecodeJpeg(ReadFileBytes(Path("out.jpg")));
    EXPECT_EQ(reencoded.Width(), 8);
    EXPECT_TRUE(HasQuadrants(reencoded));

    TPicture bmp;
    bmp.LoadFromFile(Write("in.bmp", bmpBytes));
    bmp.SaveToFile(Path("out.bmp"));
    EXPECT_EQ(ReadBmpFile(Path("out.bmp")), QuadrantBitmap(6, 4));

    EXPECT_THROW(TPicture().SaveToBytes(), Error);
}

TEST_F(PictureFiles, CopiesShareDataButNotChanges)
{
    TPicture original;
    original.LoadFromFile(Write("a.jpg", jpegBytes));
    TPicture copy = original;
    EXPECT_NE(original.ContentId(), 0u);
    EXPECT_EQ(copy.ContentId(), original.ContentId());
    EXPECT_EQ(&copy.AsJpeg()->Bitmap(), &copy.DrawBitmap());
    EXPECT_NE(copy.AsJpeg(), original.AsJpeg()); // decoded pixels are per picture
    copy.ReplacePixels(QuadrantBitmap(4, 4));
    EXPECT_NE(copy.ContentId(), original.ContentId());
    EXPECT_EQ(original.Width(), 20);
    EXPECT_EQ(original.SaveToBytes(), jpegBytes);
    EXPECT_EQ(copy.Width(), 4);

    TPicture bitmap;
    bitmap.AssignBitmap(QuadrantBitmap(6, 4));
    TPicture other;
    other.Assign(bitmap);
    EXPECT_EQ(other.AsBitmap(), bitmap.AsBitmap()); // unchanged pixels shared
    other.ReplacePixels(QuadrantBitmap(2, 2));
    EXPECT_EQ(bitmap.Width(), 6);
    EXPECT_EQ(bitmap.DrawBitmap(), QuadrantBitmap(6, 4));

    TPicture none;
    none.ReplacePixels(QuadrantBitmap(3, 3));
    EXPECT_EQ(none.Kind(), TGraphicKind::Bitmap);
    TPicture moved = std::move(none);
    EXPECT_EQ(none.ContentId(), 0u); // a view showing the moved-from picture must notice
    EXPECT_NE(moved.ContentId(), 0u);
    moved.Clear();
    EXPECT_EQ(moved.ContentId(), 0u);
    none = moved;
    EXPECT_TRUE(none.Empty());
    EXPECT_TRUE(none.DrawBitmap().Empty());
}

// A holder registers the JPEG extensions once, not at every construction; a table
// changed since must still be put right by the next holder.
TEST(PictureFormats, AHolderRestoresJpegAfterTheTableChanged)
{
    TQloImageHolder first;
    const std::uint64_t settled = TPictureFormats::Generation();
    TQloImageHolder second;
    EXPECT_EQ(TPictureFormats::Generation(), settled) << "registering what stands changes nothing";
    TPictureFormats::Register("jpeg", "Something else", TGraphicKind::Bitmap);
    EXPECT_NE(TPictureFormats::Generation(), settled);
    EXPECT_EQ(TPictureFormats::Find("jpeg")->Kind, TGraphicKind::Bitmap);
    TQloImageHolder third;
    EXPECT_EQ(TPictureFormats::Find("jpeg")->Kind, TGraphicKind::Jpeg);
    EXPECT_EQ(TPictureFormats::Find("jpeg")->Description, "JPEG");
    EXPECT_EQ(TPictureFormats::Find("jpg")->Kind, TGraphicKind::Jpeg);
}
