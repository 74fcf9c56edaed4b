// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "TempFolder.h"

#include <QSettings>
#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillo;
using quillo::test::TempFolder;

namespace {

void Put(const std::string &path, const std::string &text)
{
    SafeWriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::string Get(const std::string &path)
{
    const auto bytes = ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const std::string &value) : name_(name)
    {
        if (const char *old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char *name_;
    bool had_ = false;
    std::string old_;
};

} // namespace

TEST(IniFile, ReadsCaseInsensitivelyWithDefaults)
{
    TempFolder dir;
    const std::string path = dir / "q.ini";
    Put(path, "top=ignored\n"
              "; a comment\n"
              "[Settings]\r\n"
              "  PreloadMax =  64  \n"
              ";Filter=3\n"
              "Quoted=\"  spaced \"\n"
              "Empty=\n"
              "Filter=5\n"
              "Filter=6\n"
              "[ Last run ]\n"
              "Path=/home/me/Pictures\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("settings", "PRELOADMAX", 32), 64);
    EXPECT_EQ(ini.ReadString("SETTINGS", "preloadmax", ""), "64");
    EXPECT_EQ(ini.ReadInteger("Settings", "Filter", 7), 5); // the first of duplicates; comment skipped
    EXPECT_EQ(ini.ReadString("Settings", "Quoted", ""), "  spaced ");
    EXPECT_EQ(ini.ReadString("Settings", "Empty", "def"), "");
    EXPECT_EQ(ini.ReadInteger("Settings", "Empty", 9), 9);
    EXPECT_TRUE(ini.ValueExists("Settings", "empty"));
    EXPECT_FALSE(ini.ValueExists("Settings", "top"));
    EXPECT_EQ(ini.ReadString("last run", "path", ""), "/home/me/Pictures");
    EXPECT_EQ(ini.ReadString("Layout", "Left", "none"), "none");

    TIniFile missing(dir / "none.ini");
    EXPECT_EQ(missing.ReadInteger("Settings", "PreloadMax", 32), 32);
    EXPECT_TRUE(missing.ReadBool("Settings", "Preloading", true));
    EXPECT_EQ(missing.ReadString("Last run", "Path", ""), "");
    EXPECT_FALSE(missing.ValueExists("Settings", "PreloadMax"));
}

TEST(IniFile, WritesInPlaceKeepingEverythingElse)
{
    TempFolder dir;
    const std::string path = dir / "q.ini";
    Put(path, "; kept comment\r\n"
              "[settings]\r\n"
              "preloadmax=32\r\n"
              "Other = x\r\n"
              "\r\n"
              "[Layout]\r\n"
              "Left=10\r\n");
    TIniFile ini(path);
    ini.WriteInteger("Settings", "PreloadMax", 128); // the file's spelling of the key stays
    ini.WriteBool("SETTINGS", "Preloading", false);  // new key before the blank separator
    ini.WriteString("FullScreen", "Interval", "2000");
    EXPECT_EQ(Get(path), "; kept comment\r\n"
                         "[settings]\r\n"
                         "preloadmax=128\r\n"
                         "Other = x\r\n"
                         "Preloading=0\r\n"
                         "\r\n"
                         "[Layout]\r\n"
                         "Left=10\r\n"
                         "\r\n"
                         "[FullScreen]\r\n"
                         "Interval=2000\r\n");
    EXPECT_FALSE(ini.ReadBool("Settings", "Preloading", true));
    EXPECT_EQ(ini.ReadInteger("settings", "preloadmax", 0), 128);
}

TEST(IniFile, ValuesReadBackAsWritten)
{
    TempFolder dir;
    TIniFile ini(dir / "q.ini");
    for (const std::string v : {"  blanks around ", "\"quoted\"", "a\"b", "\"", "", "/odd/\xFF/path"}) {
        ini.WriteString("Last run", "Path", v);
        EXPECT_EQ(ini.ReadString("Last run", "Path", "?"), v);
    }
    // Line breaks would plant other keys: refused, and the file stays as it was.
    const std::string before = Get(dir / "q.ini");
    EXPECT_THROW(ini.WriteString("Last run", "Path", "/x\n[Settings]\nPreloadMax=9999"), Error);
    EXPECT_THROW(ini.WriteString("Last run", "a=b", "1"), Error);
    EXPECT_THROW(ini.WriteString("Last]run", "Path", "1"), Error);
    EXPECT_EQ(Get(dir / "q.ini"), before);
}

TEST(IniFile, WriteFailsWithoutTouchingTheFile)
{
    TempFolder dir;
    TIniFile inMissingFolder(dir / "no/such/q.ini");
    EXPECT_THROW(inMissingFolder.WriteInteger("Settings", "PreloadMax", 1), Error);
    // Refused by its mode bits, so for root as well.
    const std::string path = dir / "ro.ini";
    Put(path, "[Settings]\nPreloadMax=5\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    TIniFile ini(path);
    EXPECT_THROW(ini.WriteInteger("Settings", "PreloadMax", 6), Error);
    EXPECT_EQ(ini.ReadInteger("Settings", "PreloadMax", 0), 5);

    // A write that fails half-way (a full disk) keeps the file as it was.
    const std::string full = dir / "full.ini";
    Put(full, "; comment\n[Settings]\nPreloadMax=5\n");
    SetSafeWriteHook([](TSafeWriteStep step, void *) { return step == TSafeWriteStep::WriteChunk ? ENOSPC : 0; });
    TIniFile onFullDisk(full);
    EXPECT_THROW(onFullDisk.WriteInteger("Settings", "PreloadMax", 6), Error);
    SetSafeWriteHook(nullptr);
    EXPECT_EQ(Get(full), "; comment\n[Settings]\nPreloadMax=5\n");
}

TEST(IniFile, SettingsOrderFromAFreshFile)
{
    TempFolder dir;
    TIniFile ini(dir / "quillo.ini");
    ini.WriteInteger("Settings", "PreloadMax", 32);
    ini.WriteBool("Settings", "Preloading", true);
    ini.WriteBool("Settings", "SaveSettings", true);
    ini.WriteInteger("Settings", "Filter", 7);
    for (const char *k : {"Left", "Top", "Width", "Height", "BHeight"})
        ini.WriteInteger("Layout", k, 100);
    ini.WriteBool("Layout", "Maximized", true);
    ini.WriteInteger("FullScreen", "Interval", 2000);
    ini.WriteInteger("Layout", "BWidth", 250);
    ini.WriteString("Last run", "Path", "/home/me");
    const std::string expected = "[Settings]\nPreloadMax=32\nPreloading=1\nSaveSettings=1\nFilter=7\n\n"
                                 "[Layout]\nLeft=100\nTop=100\nWidth=100\nHeight=100\nBHeight=100\n"
                                 "Maximized=1\nBWidth=250\n\n"
                                 "[FullScreen]\nInterval=2000\n\n"
                                 "[Last run]\nPath=/home/me\n";
    EXPECT_EQ(Get(dir / "quillo.ini"), expected);
    // Writing it all again changes nothing.
    ini.WriteInteger("Layout", "BWidth", 250);
    ini.WriteBool("Layout", "Maximized", true);
    EXPECT_EQ(Get(dir / "quillo.ini"), expected);
}

TEST(IniFile, IntegerSyntax)
{
    using P = std::optional<int>;
    EXPECT_EQ(TIniFile::ParseInteger("42"), P(42));
    EXPECT_EQ(TIniFile::ParseInteger("+42"), P(42));
    EXPECT_EQ(TIniFile::ParseInteger("-42"), P(-42));
    EXPECT_EQ(TIniFile::ParseInteger(" 7 "), P(7));
    EXPECT_EQ(TIniFile::ParseInteger("0x1F"), P(31));
    EXPECT_EQ(TIniFile::ParseInteger("0XfF"), P(255));
    EXPECT_EQ(TIniFile::ParseInteger("$10"), P(16));
    EXPECT_EQ(TIniFile::ParseInteger("-$10"), P(-16));
    EXPECT_EQ(TIniFile::ParseInteger("2147483647"), P(2147483647));
    EXPECT_EQ(TIniFile::ParseInteger("-2147483648"), P(INT32_MIN));
    EXPECT_EQ(TIniFile::ParseInteger("0x7FFFFFFF"), P(INT32_MAX));
    for (const char *bad : {"2147483648", "-2147483649", "0xFFFFFFFF", "99999999999999999999", "12abc", "1 2",
                            "abc", "", "+", "-", "0x", "$", "$g", "0x1g", "1.5", "--1", "+-1"})
        EXPECT_EQ(TIniFile::ParseInteger(bad), std::nullopt) << bad;

    TempFolder dir;
    Put(dir / "q.ini", "[S]\nhex=$20\njunk=12abc\nt=-3\nf=0\nword=yes\n");
    TIniFile ini(dir / "q.ini");
    EXPECT_EQ(ini.ReadInteger("S", "hex", 0), 32);
    EXPECT_EQ(ini.ReadInteger("S", "junk", 32), 32);
    EXPECT_TRUE(ini.ReadBool("S", "t", false));
    EXPECT_FALSE(ini.ReadBool("S", "f", true));
    EXPECT_TRUE(ini.ReadBool("S", "word", true));
    EXPECT_FALSE(ini.ReadBool("S", "word", false));
}

TEST(SettingsFile, BesideTheProgramOrInTheUserConfig)
{
    TempFolder dir;
    ScopedEnv xdg("XDG_CONFIG_HOME", dir / "config");
    EXPECT_EQ(SettingsFilePath(dir / "quillo"), dir / "quillo.ini");
    EXPECT_EQ(SettingsFilePath(dir / "viewer.exe"), dir / "viewer.ini");
    // A folder that cannot be written (here: one that does not exist).
    EXPECT_EQ(SettingsFilePath(dir / "gone/quillo"), dir / "config/quillo/quillo.ini");
    struct stat st {};
    EXPECT_EQ(::stat((dir / "config/quillo").c_str(), &st), 0);
    // Read-only settings file beside the program: refused by mode bits, for root too.
    Put(dir / "ro.ini", "");
    ASSERT_EQ(::chmod((dir / "ro.ini").c_str(), 0444), 0);
    EXPECT_EQ(SettingsFilePath(dir / "ro"), dir / "config/quillo/quillo.ini");
}

// The file beside the program is chosen only where the safe write can write it,
// which needs the folder as well as the file.
TEST(SettingsFile, ChosenOnlyWhereTheSafeWriteCanWriteIt)
{
    TempFolder dir;
    ScopedEnv xdg("XDG_CONFIG_HOME", dir / "config");
    std::vector<std::string> asked;
    const auto refuse = [&](const std::string &path) {
        asked.push_back(path);
        return false;
    };
    Put(dir / "quillo.ini", "[Settings]\n"); // a writable file does not suffice
    EXPECT_EQ(SettingsFilePath(dir / "quillo", refuse), dir / "config/quillo/quillo.ini");
    EXPECT_EQ(asked, std::vector<std::string>{dir / "quillo.ini"});
    EXPECT_EQ(SettingsFilePath(dir / "quillo", [](const std::string &) { return true; }), dir / "quillo.ini");
}

TEST(SafeWriteCanWrite, AnswersAsTheSafeWriteWould)
{
    TempFolder dir;
    EXPECT_TRUE(SafeWriteCanWrite(dir / "new.ini"));
    Put(dir / "rw.ini", "x");
    EXPECT_TRUE(SafeWriteCanWrite(dir / "rw.ini"));
    Put(dir / "ro.ini", "x");
    ASSERT_EQ(::chmod((dir / "ro.ini").c_str(), 0444), 0);
    EXPECT_FALSE(SafeWriteCanWrite(dir / "ro.ini"));
    EXPECT_THROW(SafeWriteFile(dir / "ro.ini", {}), Error); // the two agree
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
    EXPECT_FALSE(SafeWriteCanWrite(dir / "sub"));
    EXPECT_FALSE(SafeWriteCanWrite(dir / "gone/new.ini"));
    EXPECT_FALSE(SafeWriteCanWrite(""));
    // A writable file in a folder that takes no new file: only a user other than
    // root meets such a folder (root writes into any folder of a writable mount).
    ASSERT_EQ(::mkdir((dir / "locked").c_str(), 0755), 0);
    Put(dir / "locked/quillo.ini", "x");
    ASSERT_EQ(::chmod((dir / "locked").c_str(), 0555), 0);
    if (::geteuid() != 0)
        EXPECT_FALSE(SafeWriteCanWrite(dir / "locked/quillo.ini"));
    else
        EXPECT_TRUE(SafeWriteCanWrite(dir / "locked/quillo.ini"));
    ::chmod((dir / "locked").c_str(), 0755);
}

TEST(InstallRecord, WrittenToTheGivenStore)
{
    TempFolder dir;
    SetInstallRecordFile(dir / "etc/Brackwater/Quillo.conf");
    EXPECT_TRUE(WriteInstallRecord("/opt/quillo/bin/quillo"));
    SetInstallRecordFile("");
    QSettings written(QString::fromStdString(dir / "etc/Brackwater/Quillo.conf"), QSettings::NativeFormat);
    EXPECT_EQ(written.value("CurrentVersion/InstallFolder").toString(), "/opt/quillo/bin/");
    EXPECT_EQ(written.value("CurrentVersion/Version").toString(), "315");
}

TEST(InstallRecord, UnwritableStoreReturnsFalse)
{
    TempFolder dir;
    Put(dir / "blocker", "a file where the folder should be");
    SetInstallRecordFile(dir / "blocker/Brackwater/Quillo.conf");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(WriteInstallRecord("/opt/quillo/bin/quillo"));
    SetInstallRecordFile("");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}
