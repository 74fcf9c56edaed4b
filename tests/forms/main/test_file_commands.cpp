// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's commands driven through the real main window on the offscreen
// platform: rename (dialog, question, refusals, write-back), rotation guards, the
// column menu and the file menu's pop-up rule. Files are checked on disk.
#include "forms/Forms.h"
#include "forms/main/fmMain.h"
#include "forms/fmRename.h"
#include "forms/fmSettings.h"
#include "imageview/BmpCodec.h"
#include "imageview/JpegImage.h"
#include "imageview/view/QloImage.h"
#include "platform/Files.h"
#include "platform/Services.h"
#include "platform/System.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <tuple>
#include <sys/stat.h>

using namespace quillo;

namespace {

const std::string kNotAHardDisk =
    "Renaming of a file located on anything but a harddrive \r(e.a a digital camera) is not possible due to "
    "the possible loss\rof the file. Please copy the files to your harddrive before you execute\rthis specific "
    "task.";
const std::string kCannotSaveRotated = "Kan de geroteerde afbeelding niet opslaan.\rControleer of het bestand "
                                       "niet op \"Alleen-lezen\" staat.\r\rDe uitgevoerde rotatie is niet permanent!";

struct Shown {
    std::string text, caption;
    TMsgButtons buttons;
    TMsgIcon icon;
};

class ScriptedMessages final : public IMessageService {
public:
    TMsgResult Show(const std::string &text, const std::string &caption, TMsgButtons buttons, TMsgIcon icon) override
    {
        shown.push_back({text, caption, buttons, icon});
        return buttons == TMsgButtons::YesNo ? answer : TMsgResult::Ok;
    }
    std::vector<Shown> shown;
    TMsgResult answer = TMsgResult::Yes;
};

std::vector<std::uint8_t> Bytes(const std::string &path) { return ReadFileBytes(path); }

bool Exists(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::int64_t MTime(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_mtim.tv_sec) : -1;
}

struct stat Stat(const std::string &path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// A 4 x 2 RLE8 bitmap of two colours: rewriting it would drop its compression.
const std::vector<std::uint8_t> kRleBitmap = {
    'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 1, 0,
    0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0,
    4, 1, 0, 0, 4, 0, 0, 1};

TBitmap Gradient(int w, int h)
{
    TBitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t *p = b.ScanLine(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 9);
            p[1] = static_cast<std::uint8_t>(y * 13);
            p[2] = static_cast<std::uint8_t>(x < w / 2 ? 250 : 20);
        }
    return b;
}

class FileCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        pictures = dir.path().toStdString() + "/pictures";
        ASSERT_EQ(::mkdir(pictures.c_str(), 0755), 0);
        jpeg = EncodeJpeg(Gradient(40, 24), 85);
        SafeWriteFile(pictures + "/photo.jpg", jpeg);
        SafeWriteFile(pictures + "/taken.jpg", EncodeJpeg(Gradient(8, 8), 70));
        WriteBmpFile(Gradient(9, 5), pictures + "/odd.bmp");
        // Last written a day ago, so that a rewrite shows in the time.
        for (const char *name : {"photo.jpg", "taken.jpg", "odd.bmp"}) {
            const timespec past[2] = {{::time(nullptr) - 86400, 0}, {::time(nullptr) - 86400, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, (pictures + "/" + name).c_str(), past, 0), 0);
        }
        SetMessageService(&messages);
        SetDriveTypeOverride([](const std::string &) { return TDriveType::Fixed; });
        CreateApplicationWindows((dir.path().toStdString() + "/quillo.ini").c_str());
        fMain->tmrStartup->stop();
    }
    void TearDown() override
    {
        DestroyApplicationWindows();
        SetDriveTypeOverride(nullptr);
        SetMessageService(nullptr);
    }

    void Open(bool preload)
    {
        fSettings->CheckBox1->setChecked(preload);
        fMain->SelectFolder(pictures);
        ASSERT_EQ(fMain->lvFilesModel->Count(), 3);
    }
    void Select(const std::string &caption)
    {
        for (int r = 0; r < fMain->lvFilesModel->Count(); ++r)
            if (fMain->lvFilesModel->Item(r).Caption == caption) {
                fMain->lvFiles->selectionModel()->setCurrentIndex(
                    fMain->lvFilesModel->index(r, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                return;
            }
        FAIL() << caption << " is not listed";
    }
    // F2 with the given text typed (or pasted) in the dialog, then Agree or Cancel.
    void Rename(const QString &text, bool typed = true, bool agree = true)
    {
        bool ran = false;
        QTimer::singleShot(0, fRename, [&] {
            ran = true;
            fRename->Edit1->clear();
            if (typed)
                QTest::keyClicks(fRename->Edit1, text);
            else
                fRename->Edit1->insert(text);
            (agree ? fRename->Button2 : fRename->Button1)->click();
        });
        fMain->acRename->trigger();
        EXPECT_TRUE(ran) << "the dialog was not shown";
    }
    std::vector<std::string> Captions() const
    {
        std::vector<std::string> out;
        for (int r = 0; r < fMain->lvFilesModel->Count(); ++r)
            out.push_back(fMain->lvFilesModel->Item(r).Caption);
        return out;
    }
    std::string SelectedCaption() const
    {
        const QModelIndex i = fMain->lvFiles->selectionModel()->currentIndex();
        return i.isValid() && fMain->lvFiles->selectionModel()->isRowSelected(i.row(), {})
                   ? fMain->lvFilesModel->Item(i.row()).Caption
                   : std::string();
    }
    std::vector<std::string> Questions() const
    {
        std::vector<std::string> out;
        for (const Shown &s : messages.shown)
            if (s.buttons == TMsgButtons::YesNo)
                out.push_back(s.text);
        return out;
    }
    void ExpectUnchanged(const std::string &why)
    {
        EXPECT_EQ(Bytes(pictures + "/photo.jpg"), jpeg) << why;
        EXPECT_EQ(Captions(), (std::vector<std::string>{"odd.bmp", "photo.jpg", "taken.jpg"})) << why;
        EXPECT_EQ(SelectedCaption(), "photo.jpg") << why;
        EXPECT_EQ(fMain->FCurrentEntry->FileName, pictures + "/photo.jpg") << why;
        EXPECT_EQ(fMain->FCurrentEntry->Image->FileName, pictures + "/photo.jpg") << why;
    }

    QTemporaryDir dir;
    std::string pictures;
    std::vector<std::uint8_t> jpeg;
    ScriptedMessages messages;
};

} // namespace

TEST_F(FileCommandsTest, RenameAsksThenKeepsTheExtensionAndTheSelection)
{
    Open(true);
    EXPECT_EQ(fMain->focusWidget(), fMain->lvFiles) << "the listed rows have the keyboard after a folder change";
    Select("photo.jpg");
    Rename("holiday");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Do you want to rename photo.jpg to holiday.jpg?");
    EXPECT_EQ(messages.shown[0].caption, "Confirm rename...");
    EXPECT_EQ(messages.shown[0].icon, TMsgIcon::Question);
    EXPECT_FALSE(Exists(pictures + "/photo.jpg"));
    EXPECT_EQ(Bytes(pictures + "/holiday.jpg"), jpeg);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"holiday.jpg", "odd.bmp", "taken.jpg"}));
    EXPECT_EQ(SelectedCaption(), "holiday.jpg") << "the row moved and stays selected";
    EXPECT_EQ(fMain->FCurrentEntry->FileName, pictures + "/holiday.jpg");
    EXPECT_EQ(fMain->FCurrentEntry->Image->FileName, pictures + "/holiday.jpg");

    // A typed extension is part of the name; the old one is always appended.
    Rename("holiday.png");
    EXPECT_EQ(Bytes(pictures + "/holiday.png.jpg"), jpeg);
    EXPECT_EQ(SelectedCaption(), "holiday.png.jpg");
    // An empty name leaves the extension alone.
    Rename("");
    EXPECT_EQ(Bytes(pictures + "/.jpg"), jpeg);
    EXPECT_EQ(SelectedCaption(), ".jpg");
    EXPECT_EQ(Questions().back(), "Do you want to rename holiday.png.jpg to .jpg?");
}

TEST_F(FileCommandsTest, RefusedDeclinedOrCancelledRenamesChangeNothing)
{
    ASSERT_EQ(::mkdir((pictures + "/sub").c_str(), 0755), 0);
    Open(true);
    Select("photo.jpg");

    Rename("holiday", true, false); // Cancel
    EXPECT_TRUE(messages.shown.empty()) << "no question after Cancel";
    ExpectUnchanged("cancelled");

    messages.answer = TMsgResult::No;
    Rename("holiday");
    EXPECT_EQ(Questions().size(), 1u);
    ExpectUnchanged("declined");
    messages.answer = TMsgResult::Yes;

    // Pasted text passes the key filter; the names Windows refuses are refused
    // here as well, and a name never leads into another folder.
    for (const QString &pasted : {QStringLiteral("wh?t"), QStringLiteral("sub/photo"), QStringLiteral(".."),
                                  QStringLiteral("."), QStringLiteral("tab\there")}) {
        Rename(pasted, false);
        ExpectUnchanged(pasted.toStdString());
    }
    EXPECT_FALSE(Exists(pictures + "/sub/photo.jpg"));
    EXPECT_FALSE(Exists(pictures + "/wh?t.jpg"));

    // An existing file is never replaced.
    const std::vector<std::uint8_t> other = Bytes(pictures + "/taken.jpg");
    Rename("taken");
    ExpectUnchanged("existing target");
    EXPECT_EQ(Bytes(pictures + "/taken.jpg"), other);
    // Each refusal says which file and why, on lines of their own.
    EXPECT_EQ(messages.shown.back().text, "Cannot rename photo.jpg to taken.jpg.\r\r" + pictures +
                                              "/photo.jpg\rA file with that name already exists");
}

TEST_F(FileCommandsTest, OnlyAFixedDiskAllowsRenameAndRotation)
{
    std::vector<std::string> asked;
    SetDriveTypeOverride([&](const std::string &p) {
        asked.push_back(p);
        return TDriveType::Remote;
    });
    Open(true);
    Select("photo.jpg");
    Rename("holiday");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kNotAHardDisk);
    EXPECT_EQ(messages.shown[0].buttons, TMsgButtons::Ok);
    ExpectUnchanged("not a fixed disk");
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), pictures + "/photo.jpg");

    for (QAction *turn : {fMain->Action1, fMain->Action2, fMain->Action3})
        turn->trigger();
    EXPECT_EQ(messages.shown.size(), 4u);
    EXPECT_EQ(messages.shown.back().text, kNotAHardDisk);
    ExpectUnchanged("rotation refused");

    for (const TDriveType refused : {TDriveType::Removable, TDriveType::CDRom, TDriveType::RamDisk,
                                     TDriveType::Unknown, TDriveType::NoRootDir}) {
        SetDriveTypeOverride([refused](const std::string &) { return refused; });
        messages.shown.clear();
        fMain->Action2->trigger();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, kNotAHardDisk);
    }
    ExpectUnchanged("every kind of drive but a fixed one");
}

TEST_F(FileCommandsTest, RenameAndTurnStartFromTheFileAsItIsOnDisk)
{
    const std::vector<std::uint8_t> rle = kRleBitmap;
    SafeWriteFile(pictures + "/odd.bmp", rle);
    Open(true);
    // Another program edits the JPEG after the listing.
    const std::vector<std::uint8_t> edited = EncodeJpeg(Gradient(30, 60), 80);
    SafeWriteFile(pictures + "/photo.jpg", edited);
    for (const auto &[from, to, bytes] : {std::tuple{"photo.jpg", "holiday", edited}, std::tuple{"odd.bmp", "even", rle}}) {
        Select(from);
        const struct stat before = Stat(pictures + "/" + from);
        Rename(to);
        const std::string renamed = pictures + "/" + to + ExtractFileExt(from);
        const struct stat after = Stat(renamed);
        EXPECT_EQ(Bytes(renamed), bytes) << "a rename only renames";
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    }
    // A turn after another edit turns the edited picture.
    Select("holiday.jpg");
    SafeWriteFile(pictures + "/holiday.jpg", EncodeJpeg(Gradient(20, 50), 80));
    fMain->Action1->trigger();
    TPicture turned;
    turned.LoadFromFile(pictures + "/holiday.jpg");
    EXPECT_EQ(turned.Width(), 50);
    EXPECT_EQ(fMain->FCurrentEntry->Image->Picture.Width(), 50);
}

TEST_F(FileCommandsTest, RenameOfAnOnDemandEntryOnlyRenames)
{
    Open(false);
    Select("odd.bmp");
    const std::vector<std::uint8_t> bmp = Bytes(pictures + "/odd.bmp");
    const std::int64_t before = MTime(pictures + "/odd.bmp");
    Rename("even");
    EXPECT_EQ(MTime(pictures + "/even.bmp"), before);
    EXPECT_EQ(Bytes(pictures + "/even.bmp"), bmp);
    EXPECT_EQ(SelectedCaption(), "even.bmp");
    // Selecting it again reads the picture from its new name.
    Select("photo.jpg");
    Select("even.bmp");
    EXPECT_EQ(fMain->FCurrentEntry->Image->Picture.Width(), 9);
}

TEST_F(FileCommandsTest, RotatingAReadOnlyFileSaysSoAndKeepsItsBytes)
{
    ASSERT_EQ(::chmod((pictures + "/photo.jpg").c_str(), 0444), 0);
    Open(true);
    Select("photo.jpg");
    fMain->Action2->trigger(); // F7, 180°
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kCannotSaveRotated + "\r\r" + pictures + "/photo.jpg\rThe file is read-only");
    EXPECT_EQ(Bytes(pictures + "/photo.jpg"), jpeg);
    // The preloaded picture stays turned in memory: the left half was red.
    const TBitmap shown = fMain->FCurrentEntry->Image->Picture.DrawBitmap();
    EXPECT_LT(shown.PixelColor(2, 2).Red, 128);
    EXPECT_GT(shown.PixelColor(37, 2).Red, 128);
}

TEST_F(FileCommandsTest, OnDemandPictureKeepsOnlyItsPixelsAndATurnReadsItsFileAgain)
{
    Open(false);
    Select("photo.jpg");
    ASSERT_TRUE(fMain->FCurrentEntry->Image->Picture.AsJpeg()->BytesReleased());
    EXPECT_FALSE(fMain->QloImage1->Holder().Picture.DrawBitmap().Empty());
    fMain->Action2->trigger(); // F7, 180°
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_LT(DecodeJpeg(Bytes(pictures + "/photo.jpg")).PixelColor(2, 2).Red, 128); // the right half now left
}

TEST_F(FileCommandsTest, RotatedOnDemandPictureIsReadBackFromItsFile)
{
    Open(false);
    Select("odd.bmp");
    fMain->Action1->trigger(); // F6, 90° clockwise
    EXPECT_TRUE(messages.shown.empty());
    const TBitmap onDisk = ReadBmpFile(pictures + "/odd.bmp");
    EXPECT_EQ(onDisk.Width(), 5);
    EXPECT_EQ(onDisk.Height(), 9);
    EXPECT_EQ(fMain->FCurrentEntry->Image->Picture.DrawBitmap(), onDisk);
    EXPECT_EQ(SelectedCaption(), "odd.bmp");
}

TEST_F(FileCommandsTest, ColumnMenuGivesTagWidthsAndOneAutomaticColumn)
{
    Open(true);
    QHeaderView *header = fMain->lvFiles->horizontalHeader();
    auto stretched = [header] {
        std::vector<int> out;
        for (int c = 0; c < 3; ++c)
            if (header->sectionResizeMode(c) == QHeaderView::Stretch)
                out.push_back(c);
        return out;
    };
    fMain->Bestandsnaam1->trigger(); // hide "Filename"
    EXPECT_TRUE(header->isSectionHidden(0));
    EXPECT_EQ(stretched(), std::vector<int>{1}) << "the first shown column fills the list";
    header->resizeSection(2, 40); // the user narrows "Size"
    fMain->Grootte1->trigger();   // hide it
    fMain->Grootte1->trigger();   // and show it again
    EXPECT_EQ(header->sectionSize(2), 100) << "shown again at its default width";

    fMain->Datum1->trigger();
    fMain->Grootte1->trigger();
    for (int c = 0; c < 3; ++c)
        EXPECT_TRUE(header->isSectionHidden(c));
    EXPECT_TRUE(stretched().empty()) << "no column has automatic width";
    fMain->Datum1->trigger();
    EXPECT_FALSE(header->isSectionHidden(1));
    EXPECT_EQ(stretched(), std::vector<int>{1});
    fMain->Bestandsnaam1->trigger();
    EXPECT_EQ(stretched(), std::vector<int>{0});
    EXPECT_EQ(header->sectionSize(1), 110);
}

TEST_F(FileCommandsTest, FileMenuPopsUpOnlyAfterAPressThatFollowsNoHeaderMenu)
{
    Open(true);
    fMain->resize(900, 600);
    fMain->show();
    QWidget *viewport = fMain->lvFiles->viewport();
    const QPoint at(10, 5);
    auto contextMenu = [&] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &event);
        const bool shown = fMain->PopupMenu2->isVisible();
        fMain->PopupMenu2->hide();
        return shown;
    };
    EXPECT_FALSE(contextMenu()) << "no pop-up before the first press in the list";
    QTest::mousePress(viewport, Qt::RightButton, {}, at);
    EXPECT_TRUE(contextMenu());

    fMain->lvFilesColumnRightClick(fMain->lvFiles->horizontalHeader()->mapToGlobal(QPoint(5, 5)));
    fMain->PopupMenu3->hide();
    QTest::mousePress(viewport, Qt::RightButton, {}, at);
    EXPECT_FALSE(contextMenu()) << "the press right after a header menu";
    QTest::mousePress(viewport, Qt::RightButton, {}, at);
    EXPECT_TRUE(contextMenu()) << "and only that one";
}

TEST_F(FileCommandsTest, AFileWhoseNameIsNotUtf8IsRenamedFromItsOwnBytes)
{
    const std::string odd = pictures + "/caf\xe9.jpg"; // Latin-1, not UTF-8
    ASSERT_EQ(::rename((pictures + "/photo.jpg").c_str(), odd.c_str()), 0);
    fSettings->CheckBox1->setChecked(true);
    fMain->SelectFolder(pictures);
    Select("caf\xe9.jpg");
    Rename("cafe");
    EXPECT_FALSE(Exists(odd));
    EXPECT_EQ(Bytes(pictures + "/cafe.jpg"), jpeg);
    EXPECT_EQ(SelectedCaption(), "cafe.jpg");
}

TEST_F(FileCommandsTest, ReadOnlyFormatsAreShownCopiedAndRenamedButNotTurned)
{
    QImage shot(6, 4, QImage::Format_ARGB32);
    shot.fill(qRgba(0, 200, 0, 255));
    shot.setPixel(5, 3, qRgba(0, 0, 0, 0));
    ASSERT_TRUE(shot.save(QString::fromStdString(pictures + "/shot.png")));
    ASSERT_TRUE(shot.save(QString::fromStdString(pictures + "/web.WEBP"), "webp", 100));
    const std::vector<std::uint8_t> png = Bytes(pictures + "/shot.png");
    fSettings->CheckBox1->setChecked(false);
    fMain->SelectFolder(pictures);
    ASSERT_EQ(Captions(), (std::vector<std::string>{"odd.bmp", "photo.jpg", "shot.png", "taken.jpg", "web.WEBP"}));

    Select("shot.png");
    const TPicture &shown = fMain->QloImage1->Holder().Picture;
    ASSERT_EQ(shown.Kind(), TGraphicKind::Png);
    const QColor workspace = fMain->palette().color(QPalette::Dark);
    EXPECT_EQ(shown.DrawBitmap().PixelColor(0, 0), (TRGBQuad{0, 200, 0, 0}));
    EXPECT_EQ(shown.DrawBitmap().PixelColor(5, 3),
              (TRGBQuad{static_cast<std::uint8_t>(workspace.blue()), static_cast<std::uint8_t>(workspace.green()),
                        static_cast<std::uint8_t>(workspace.red()), 0}))
        << "a transparent pixel shows the workspace colour";
    struct : IClipboardService {
        void SetBitmap(const TBitmap &b) override { last = b; }
        TBitmap last;
    } clipboard;
    SetClipboardService(&clipboard);
    fMain->acCopy->trigger();
    SetClipboardService(nullptr);
    EXPECT_EQ(clipboard.last, shown.DrawBitmap()) << "the clipboard gets the picture as shown";

    fMain->Action1->trigger(); // F6
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Kan alleen Bitmap en JPEG afbeeldingen roteren.");
    EXPECT_EQ(Bytes(pictures + "/shot.png"), png);

    Rename("screen");
    EXPECT_EQ(Bytes(pictures + "/screen.png"), png);
    EXPECT_EQ(SelectedCaption(), "screen.png");

    const std::string target = dir.path().toStdString() + "/copies";
    fMain->QloController1.CopyToFolder(target);
    EXPECT_EQ(Bytes(target + "/screen.png"), png);
    EXPECT_EQ(Bytes(target + "/web.WEBP"), Bytes(pictures + "/web.WEBP"));
}
