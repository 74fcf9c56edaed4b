// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "catalogue/QloClasses.h"
#include "platform/Directory.h"
#include "platform/Services.h"
#include "platform/TempFolder.h"

#include <QDir>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillo;
using Kind = quillo::TStartTarget::TKind;
using Action = quillo::TCommandLine::TAction;

namespace {

void Touch(const std::string &path)
{
    std::ofstream(path, std::ios::binary) << "x";
}

std::string Canonical(const std::string &path)
{
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

// The file list shows what the folder search finds with the picture mask; a start
// target's row must be one of those.
bool ListedIn(const std::string &folder, const std::string &name)
{
    bool found = false;
    for (const std::string &pattern : SplitMask(kPictureFileMask))
        EnumerateDirectory(folder, pattern, [&](const TSearchRec &rec) { found |= rec.Name == name; });
    return found;
}

// Runs a test body with another current folder, restoring it afterwards.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string &path) : old_(QDir::currentPath()) { EXPECT_EQ(::chdir(path.c_str()), 0); }
    ~CurrentFolder() { QDir::setCurrent(old_); }

private:
    QString old_;
};

class RecordingMessages final : public IMessageService {
public:
    RecordingMessages() { SetMessageService(this); }
    ~RecordingMessages() override { SetMessageService(nullptr); }
    TMsgResult Show(const std::string &text, const std::string &, TMsgButtons, TMsgIcon) override
    {
        texts.push_back(text);
        return TMsgResult::Ok;
    }
    std::vector<std::string> texts;
};

} // namespace

TEST(CommandLine, NoArgumentKeepsTheNormalStart)
{
    const TCommandLine cl = ParseCommandLine({"quillo"});
    EXPECT_EQ(cl.Action, Action::Run);
    EXPECT_FALSE(cl.HasPath);
    EXPECT_EQ(ParseCommandLine({}).Action, Action::Run);
}

TEST(CommandLine, PathComesBackByteForByte)
{
    for (const std::string &path : {std::string("/tmp/holiday pictures/a b.jpg"), std::string("caf\xe9/\xff\xfe.jpeg"),
                                   std::string("\xc3\xa9t\xc3\xa9"), std::string("-")}) {
        const TCommandLine cl = ParseCommandLine({"quillo", path});
        EXPECT_EQ(cl.Action, Action::Run) << path;
        EXPECT_TRUE(cl.HasPath);
        EXPECT_EQ(cl.Path, path);
    }
    // After "--" a name that starts with a dash is a path, not an option.
    const TCommandLine dashed = ParseCommandLine({"quillo", "--", "--help.jpg"});
    EXPECT_EQ(dashed.Action, Action::Run);
    EXPECT_EQ(dashed.Path, "--help.jpg");
}

TEST(CommandLine, HelpAndVersionWinOverAPath)
{
    for (const char *option : {"--help", "-h"}) {
        const TCommandLine cl = ParseCommandLine({"quillo", "/some/folder", option});
        EXPECT_EQ(cl.Action, Action::Help) << option;
        EXPECT_NE(cl.Text.find("Usage: quillo"), std::string::npos);
        EXPECT_NE(cl.Text.find("--version"), std::string::npos);
    }
    for (const char *option : {"--version", "-v"}) {
        const TCommandLine cl = ParseCommandLine({"quillo", option});
        EXPECT_EQ(cl.Action, Action::Version) << option;
        EXPECT_EQ(cl.Text, std::string("quillo ") + QUILLO_VERSION_STRING + "\n");
    }
}

TEST(CommandLine, UnknownOptionsAndSecondPathsAreUsageErrors)
{
    const TCommandLine unknown = ParseCommandLine({"quillo", "--fullscreen"});
    EXPECT_EQ(unknown.Action, Action::UsageError);
    EXPECT_NE(unknown.Text.find("fullscreen"), std::string::npos);
    EXPECT_NE(unknown.Text.find("quillo --help"), std::string::npos);

    const TCommandLine two = ParseCommandLine({"quillo", "/a", "/b"});
    EXPECT_EQ(two.Action, Action::UsageError);
    EXPECT_FALSE(two.HasPath);
    EXPECT_NE(kUsageErrorExitCode, 0);
}

TEST(StartPath, FolderOpensItsCanonicalPath)
{
    test::TempFolder tmp;
    const std::string root = Canonical(tmp.path());
    ASSERT_EQ(::mkdir((tmp / "my pictures").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((tmp / "my pictures/2024").c_str(), 0755), 0);

    // "." and ".." and doubled or trailing slashes would become bogus tree nodes.
    const TStartTarget t = ClassifyStartPath(tmp.path() + "//my pictures/./2024/../2024/");
    EXPECT_EQ(t.Kind, Kind::Folder);
    EXPECT_EQ(t.Folder, root + "/my pictures/2024");
    EXPECT_TRUE(t.FileName.empty());
    EXPECT_TRUE(StartPathMessage(t).empty());

    // A folder whose name looks like a picture is still a folder.
    ASSERT_EQ(::mkdir((tmp / "album.jpg").c_str(), 0755), 0);
    EXPECT_EQ(ClassifyStartPath(tmp / "album.jpg").Kind, Kind::Folder);
}

TEST(StartPath, PictureFileOpensItsFolderWithItsRow)
{
    test::TempFolder tmp;
    const std::string root = Canonical(tmp.path());
    for (const std::string name : {"a b.JPG", "scan.bmp", "photo.jpeg", "\xe9t\xe9 \xff.jpg"}) {
        Touch(tmp / name);
        const TStartTarget t = ClassifyStartPath(tmp / name);
        EXPECT_EQ(t.Kind, Kind::Picture) << name;
        EXPECT_EQ(t.Folder, root);
        EXPECT_EQ(t.FileName, name);
        EXPECT_TRUE(ListedIn(t.Folder, t.FileName)) << name;
        EXPECT_TRUE(StartPathMessage(t).empty());
    }
}

TEST(StartPath, RelativePathsStartInTheCurrentFolder)
{
    test::TempFolder tmp;
    const std::string root = Canonical(tmp.path());
    ASSERT_EQ(::mkdir((tmp / "sub").c_str(), 0755), 0);
    Touch(tmp / "sub/x.bmp");
    Touch(tmp / "top.jpg");
    CurrentFolder here(tmp / "sub");

    const TStartTarget bare = ClassifyStartPath("x.bmp");
    EXPECT_EQ(bare.Kind, Kind::Picture);
    EXPECT_EQ(bare.Folder, root + "/sub");
    EXPECT_EQ(bare.FileName, "x.bmp");

    const TStartTarget up = ClassifyStartPath("../top.jpg");
    EXPECT_EQ(up.Kind, Kind::Picture);
    EXPECT_EQ(up.Folder, root);
    EXPECT_EQ(up.FileName, "top.jpg");

    const TStartTarget dot = ClassifyStartPath(".");
    EXPECT_EQ(dot.Kind, Kind::Folder);
    EXPECT_EQ(dot.Folder, root + "/sub");
}

TEST(StartPath, LinkToAPictureSelectsTheLinksRow)
{
    test::TempFolder tmp;
    const std::string root = Canonical(tmp.path());
    ASSERT_EQ(::mkdir((tmp / "elsewhere").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((tmp / "view").c_str(), 0755), 0);
    Touch(tmp / "elsewhere/real.jpg");
    ASSERT_EQ(::symlink((tmp / "elsewhere/real.jpg").c_str(), (tmp / "view/shown.jpg").c_str()), 0);
    // A linked folder resolves, so the tree gets a real path.
    ASSERT_EQ(::symlink((tmp / "elsewhere").c_str(), (tmp / "view/linked").c_str()), 0);

    const TStartTarget file = ClassifyStartPath(tmp / "view/shown.jpg");
    EXPECT_EQ(file.Kind, Kind::Picture);
    EXPECT_EQ(file.Folder, root + "/view");
    EXPECT_EQ(file.FileName, "shown.jpg");
    EXPECT_TRUE(ListedIn(file.Folder, file.FileName));

    const TStartTarget folder = ClassifyStartPath(tmp / "view/linked");
    EXPECT_EQ(folder.Kind, Kind::Folder);
    EXPECT_EQ(folder.Folder, root + "/elsewhere");

    // A dangling link names nothing.
    ASSERT_EQ(::symlink((tmp / "gone.jpg").c_str(), (tmp / "view/dangling.jpg").c_str()), 0);
    EXPECT_EQ(ClassifyStartPath(tmp / "view/dangling.jpg").Kind, Kind::Missing);
}

TEST(StartPath, PathsThatCannotBeOpenedSayWhy)
{
    test::TempFolder tmp;
    Touch(tmp / "notes.txt");
    Touch(tmp / "noextension");
    Touch(tmp / "pic.jpg");
    ASSERT_EQ(::mkfifo((tmp / "pipe.jpg").c_str(), 0600), 0);

    for (const std::string &missing : {tmp / "absent", tmp / "pic.jpg/inside", tmp / "pic.jpg/", std::string()}) {
        const TStartTarget t = ClassifyStartPath(missing);
        EXPECT_EQ(t.Kind, Kind::Missing) << missing;
        EXPECT_TRUE(t.Folder.empty());
        const std::string message = StartPathMessage(t);
        EXPECT_NE(message.find("\"" + missing + "\""), std::string::npos) << message;
        EXPECT_NE(message.find("no such file or folder"), std::string::npos) << message;
    }
    // Not a picture: another extension, no extension, or not a regular file.
    for (const char *name : {"notes.txt", "noextension", "pipe.jpg"}) {
        const TStartTarget t = ClassifyStartPath(tmp / name);
        EXPECT_EQ(t.Kind, Kind::NotPicture) << name;
        EXPECT_TRUE(t.Folder.empty());
        const std::string message = StartPathMessage(t);
        EXPECT_NE(message.find(name), std::string::npos) << message;
        EXPECT_NE(message.find("neither a folder nor a BMP or JPEG picture"), std::string::npos) << message;
    }
    // The message keeps a name that is not valid UTF-8 as it was given.
    const std::string odd = tmp / "\xff\xfe.txt";
    Touch(odd);
    EXPECT_NE(StartPathMessage(ClassifyStartPath(odd)).find(odd), std::string::npos);
}

TEST(StartPath, ABadPathIsReportedOnceAndTheNormalStartFollows)
{
    test::TempFolder tmp;
    Touch(tmp / "ok.jpg");
    Touch(tmp / "readme.txt");
    RecordingMessages messages;

    EXPECT_EQ(StartTargetOf(ParseCommandLine({"quillo"})).Kind, Kind::None);
    const TStartTarget good = StartTargetOf(ParseCommandLine({"quillo", tmp / "ok.jpg"}));
    EXPECT_EQ(good.Kind, Kind::Picture);
    EXPECT_EQ(good.FileName, "ok.jpg");
    EXPECT_TRUE(messages.texts.empty());

    const TStartTarget missing = StartTargetOf(ParseCommandLine({"quillo", tmp / "gone"}));
    EXPECT_EQ(missing.Kind, Kind::None);
    EXPECT_TRUE(missing.Folder.empty());
    const TStartTarget text = StartTargetOf(ParseCommandLine({"quillo", tmp / "readme.txt"}));
    EXPECT_EQ(text.Kind, Kind::None);
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_NE(messages.texts[0].find(tmp / "gone"), std::string::npos);
    EXPECT_NE(messages.texts[1].find("readme.txt"), std::string::npos);
}
