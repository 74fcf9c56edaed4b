// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store: the file it reads and writes, and the dialog's own rules.
#include "forms/fmSettings.h"
#include "platform/Errors.h"
#include "platform/Services.h"
#include "FakeMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <vector>

using namespace quillo;
using quillo::test::FakeMessages;

namespace {

struct FakeHost : TSettingsHost {
    QRect bounds{100, 50, 875, 610};
    bool boundsSet = false;
    bool positionStored = false;
    bool maximized = false;
    int treeHeight = 226;
    int paneWidth = 349;
    std::string selected;
    std::vector<std::string> selectCalls;
    int interval = 1000;
    int processCalls = 0;
    int showMainCalls = 0;
    std::vector<std::string> log;
    std::function<void()> onSelect;

    QRect MainBounds() override { return bounds; }
    void SetMainBounds(const QRect &r, bool stored) override
    {
        bounds = r;
        boundsSet = true;
        positionStored = stored;
        log.push_back("bounds");
    }
    bool MainMaximized() override { return maximized; }
    void SetMainMaximized() override { maximized = true; log.push_back("maximize"); }
    int TreeHeight() override { return treeHeight; }
    void SetTreeHeight(int h) override { treeHeight = h; }
    int PaneWidth() override { return paneWidth; }
    void SetPaneWidth(int w) override { paneWidth = w; }
    std::string SelectedFolder() override { return selected; }
    void SelectFolder(const std::string &path) override
    {
        selectCalls.push_back(path);
        log.push_back("select");
        if (onSelect)
            onSelect();
    }
    int SlideshowInterval() override { return interval; }
    void SetSlideshowInterval(int ms) override { interval = ms; }
    void ProcessMessages() override { ++processCalls; log.push_back("process"); }
    void ShowMainAndCloseSplash() override { ++showMainCalls; log.push_back("show"); }
};

// Answers the modal run with a script instead of waiting for a user.
class ScriptedSettings : public TfSettings {
public:
    std::function<void(ScriptedSettings &)> script;

protected:
    int RunModal() override
    {
        setResult(QDialog::Rejected);
        script(*this);
        return result();
    }
};

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        iniPath = dir.filePath(QStringLiteral("quillo.ini")).toStdString();
        SetMessageService(&messages);
    }
    void TearDown() override { SetMessageService(nullptr); }

    void WriteIni(const char *text)
    {
        QFile f(QString::fromStdString(iniPath));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    // Non-empty lines of the settings file, trimmed.
    std::vector<std::string> IniLines() const
    {
        QFile f(QString::fromStdString(iniPath));
        std::vector<std::string> lines;
        if (!f.open(QIODevice::ReadOnly))
            return lines;
        for (const QByteArray &line : f.readAll().split('\n'))
            if (!line.trimmed().isEmpty())
                lines.push_back(line.trimmed().toStdString());
        return lines;
    }
    bool IniExists() const { return QFile::exists(QString::fromStdString(iniPath)); }
    // The dialog shown with `text` typed as the preload budget, then OK pressed.
    void TypeAndAgree(ScriptedSettings &s, const char *text)
    {
        s.SetIniFileName(iniPath);
        s.script = [text](ScriptedSettings &d) {
            d.Edit1->setText(QString::fromLatin1(text));
            d.Button1->click();
        };
        s.ShowSettings(host);
    }
    std::string Folder(const char *name)
    {
        EXPECT_TRUE(QDir(dir.path()).mkpath(QString::fromLatin1(name)));
        return dir.filePath(QString::fromLatin1(name)).toStdString();
    }

    QTemporaryDir dir;
    std::string iniPath;
    FakeMessages messages;
    FakeHost host;
};

TEST_F(SettingsTest, DesignStateAndFilterItems)
{
    TfSettings s;
    EXPECT_EQ(s.windowTitle(), "Settings...");
    EXPECT_EQ(s.size(), QSize(420, 224));
    EXPECT_TRUE(s.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(s.Edit1->text(), "32");
    EXPECT_TRUE(s.CheckBox1->isChecked());
    EXPECT_TRUE(s.Edit1->isEnabled());
    EXPECT_FALSE(s.CheckBox2->isChecked());
    EXPECT_EQ(s.FilterIndex(), -1);
    const QStringList expected = {
        "Box          - [Low quality]", "Triangle", "Hermite", "Bell          - [Medium quality]",
        "Spline", "Lanczos3", "Mitchell    - [High quality] ", "Vennick - [Testfilter]"};
    ASSERT_EQ(s.ComboBox1->count(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(s.ComboBox1->itemText(i), expected[i]) << i;

    s.CheckBox1->click();
    EXPECT_FALSE(s.Edit1->isEnabled());
    EXPECT_FALSE(s.GetPreload());
}

TEST_F(SettingsTest, NoFileRestoresDefaultsAndOpensMaximisedCentred)
{
    TfSettings s;
    s.SetIniFileName(iniPath);
    s.ReadSettings(host);
    EXPECT_TRUE(s.CheckBox2->isChecked());
    EXPECT_TRUE(s.GetPreload());
    EXPECT_EQ(s.GetMaxPreload(), 32);
    EXPECT_EQ(s.FilterIndex(), 7);
    EXPECT_EQ(host.interval, 2000);
    EXPECT_TRUE(host.maximized);
    EXPECT_FALSE(host.positionStored);
    EXPECT_EQ(host.bounds, QRect(100, 50, 875, 610)); // current size kept
    EXPECT_EQ(host.treeHeight, 226);
    EXPECT_EQ(host.paneWidth, 349);
    EXPECT_TRUE(host.selectCalls.empty());
    EXPECT_EQ(host.log, (std::vector<std::string>{"bounds", "process", "maximize", "process", "show"}));
    EXPECT_FALSE(IniExists());
}

TEST_F(SettingsTest, RoundTripRestoresEverythingAndSelectsTheFolder)
{
    const std::string folder = Folder("pictures");
    {
        TfSettings s;
        s.SetIniFileName(iniPath);
        s.Edit1->setText("100");
        s.CheckBox1->setChecked(false);
        s.CheckBox2->setChecked(true);
        s.SetFilterIndex(3);
        FakeHost before;
        before.bounds = QRect(10, 20, 800, 600);
        before.treeHeight = 150;
        before.paneWidth = 300;
        before.interval = 5000;
        before.selected = folder;
        s.WriteSettings(before);
    }
    EXPECT_EQ(IniLines(), (std::vector<std::string>{
                              "[Settings]", "PreloadMax=100", "Preloading=0", "SaveSettings=1",
                              "Filter=3", "[Layout]", "Left=10", "Top=20", "Width=800",
                              "Height=600", "BHeight=150", "Maximized=0", "BWidth=300",
                              "[FullScreen]", "Interval=5000", "[Last run]", "Path=" + folder}));

    TfSettings s;
    s.SetIniFileName(iniPath);
    s.ReadSettings(host);
    EXPECT_EQ(s.Edit1->text(), "100");
    EXPECT_FALSE(s.GetPreload());
    EXPECT_FALSE(s.Edit1->isEnabled());
    EXPECT_TRUE(s.CheckBox2->isChecked());
    EXPECT_EQ(s.FilterIndex(), 3);
    EXPECT_EQ(host.bounds, QRect(10, 20, 800, 600));
    EXPECT_TRUE(host.positionStored);
    EXPECT_FALSE(host.maximized);
    EXPECT_EQ(host.treeHeight, 150);
    EXPECT_EQ(host.paneWidth, 300);
    EXPECT_EQ(host.interval, 5000);
    EXPECT_EQ(host.selectCalls, std::vector<std::string>{folder});
    EXPECT_EQ(host.log.back(), "show");
    EXPECT_EQ(host.showMainCalls, 1);
}

TEST_F(SettingsTest, SaveSettingsOffRestoresOnlyItsOwnBoxButStillWritesEverything)
{
    const std::string folder = Folder("last");
    WriteIni(("[Settings]\nPreloadMax=99\nPreloading=0\nSaveSettings=0\nFilter=2\n"
              "[Layout]\nLeft=5\nTop=6\nWidth=700\nHeight=500\nMaximized=1\n"
              "[FullScreen]\nInterval=7000\n[Last run]\nPath=" + folder + "\n").c_str());
    TfSettings s;
    s.SetIniFileName(iniPath);
    s.ReadSettings(host);
    EXPECT_FALSE(s.CheckBox2->isChecked());
    EXPECT_EQ(s.Edit1->text(), "32");
    EXPECT_TRUE(s.GetPreload());
    EXPECT_EQ(s.FilterIndex(), -1);
    EXPECT_FALSE(host.boundsSet); // the host then centres its window
    EXPECT_FALSE(host.maximized);
    EXPECT_EQ(host.interval, 1000);
    EXPECT_TRUE(host.selectCalls.empty());
    EXPECT_EQ(host.log, std::vector<std::string>{"show"});

    s.WriteSettings(host);
    const std::vector<std::string> lines = IniLines();
    for (const char *line : {"SaveSettings=0", "PreloadMax=32", "Preloading=1", "Filter=-1",
                             "Left=100", "Maximized=0", "Interval=1000", "BWidth=349"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
}

TEST_F(SettingsTest, FilterOutsideRangeLeavesNoneSelectedAndWritesMinusOne)
{
    WriteIni("[Settings]\nFilter=9\n");
    TfSettings s;
    s.SetIniFileName(iniPath);
    s.ReadSettings(host);
    EXPECT_EQ(s.FilterIndex(), -1);
    s.WriteSettings(host);
    const std::vector<std::string> lines = IniLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Filter=-1"), lines.end());

    s.SetFilterIndex(0);
    EXPECT_EQ(s.FilterIndex(), 0);
    s.SetFilterIndex(-2);
    EXPECT_EQ(s.FilterIndex(), -1);
    s.SetFilterIndex(8);
    EXPECT_EQ(s.FilterIndex(), -1);
}

TEST_F(SettingsTest, ReadsSignedAndHexIntegersAndFallsBackOnJunk)
{
    // Every value differs from its default, so each line shows it was read.
    WriteIni("[settings]\nPreloadMax=0x30\nFilter=+3\nPreloading=0x0\n"
             "[FULLSCREEN]\nInterval=$3E8\n"
             "[Layout]\nLeft=-8\nWidth=abc\nMaximized=$0\nBHeight=+90\n");
    TfSettings s;
    s.SetIniFileName(iniPath);
    s.ReadSettings(host);
    EXPECT_EQ(s.Edit1->text(), "48");
    EXPECT_EQ(s.FilterIndex(), 3);
    EXPECT_FALSE(s.GetPreload());
    EXPECT_EQ(host.interval, 1000);
    EXPECT_FALSE(host.maximized);
    EXPECT_EQ(host.treeHeight, 90);
    // Left without Top is no stored position; a junk width keeps the current one.
    EXPECT_FALSE(host.positionStored);
    EXPECT_EQ(host.bounds, QRect(-8, 50, 875, 610));
}

TEST_F(SettingsTest, MaxPreloadParsesLikeTheFileAndIsNotRangeChecked)
{
    TfSettings s;
    const std::pair<const char *, int> cases[] = {{"$20", 32}, {"0x40", 64}, {"+32", 32},
                                                  {"-5", -5},  {"0", 0},     {"5000", 5000},
                                                  {"abc", 32}, {"", 32},     {"12x", 32}};
    for (const auto &[text, value] : cases) {
        s.Edit1->setText(QString::fromLatin1(text));
        EXPECT_EQ(s.GetMaxPreload(), value) << text;
    }
}

TEST_F(SettingsTest, MissingOrStaleFolderIsNotSelected)
{
    WriteIni(("[Last run]\nPath=" + dir.filePath("gone").toStdString() + "\n").c_str());
    TfSettings s;
    s.SetIniFileName(iniPath);
    s.ReadSettings(host);
    EXPECT_TRUE(host.selectCalls.empty());
    EXPECT_EQ(host.showMainCalls, 1);
}

TEST_F(SettingsTest, MainWindowIsShownEvenWhenRestoringFails)
{
    const std::string folder = Folder("bad");
    WriteIni(("[Last run]\nPath=" + folder + "\n").c_str());
    host.onSelect = [] { throw Error("folder change failed"); };
    TfSettings s;
    s.SetIniFileName(iniPath);
    EXPECT_THROW(s.ReadSettings(host), Error);
    EXPECT_EQ(host.showMainCalls, 1);
}

TEST_F(SettingsTest, AgreeRefusesOutOfRangeAndText)
{
    for (const char *text : {"0", "1025", "abc", "-3"}) {
        messages.texts.clear();
        ScriptedSettings s;
        TypeAndAgree(s, text);
        ASSERT_EQ(messages.texts.size(), 1u) << text;
        EXPECT_EQ(messages.texts[0], std::string(text) + " isn't a valid number!\r\rRange: 1 - 1024");
        EXPECT_EQ(messages.captions[0], ApplicationTitle());
        EXPECT_EQ(s.Edit1->selectedText(), QString::fromLatin1(text));
        EXPECT_EQ(s.focusWidget(), s.Edit1);
        EXPECT_FALSE(IniExists()) << text;
    }
}

TEST_F(SettingsTest, AgreeAcceptsTheLimitsAndWritesAtOnce)
{
    for (const char *text : {"1", "1024"}) {
        ScriptedSettings s;
        TypeAndAgree(s, text);
        EXPECT_TRUE(messages.texts.empty());
        const std::vector<std::string> lines = IniLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[1], std::string("PreloadMax=") + text);
    }
}

TEST_F(SettingsTest, CancelKeepsEditsAndWritesNothing)
{
    ScriptedSettings s;
    s.SetIniFileName(iniPath);
    s.script = [](ScriptedSettings &d) {
        EXPECT_TRUE(d.Button2->isDefault());
        EXPECT_FALSE(d.Button1->isDefault());
        d.Edit1->setText("77");
        d.CheckBox1->setChecked(false);
        d.SetFilterIndex(1);
        d.Button2->click();
    };
    s.ShowSettings(host);
    EXPECT_FALSE(IniExists());
    EXPECT_EQ(s.GetMaxPreload(), 77);
    EXPECT_FALSE(s.GetPreload());
    EXPECT_EQ(s.FilterIndex(), 1);
}

TEST_F(SettingsTest, RealModalRunStaysOpenOnBadInputThenAccepts)
{
    TfSettings s;
    s.SetIniFileName(iniPath);
    bool stayedOpen = false;
    QTimer::singleShot(0, &s, [&] {
        s.Edit1->setText("1025");
        s.Button1->click();
        stayedOpen = s.isVisible();
        s.Edit1->setText("64");
        s.Button1->click();
    });
    s.ShowSettings(host);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(messages.texts.size(), 1u);
    EXPECT_FALSE(s.isVisible());
    const std::vector<std::string> lines = IniLines();
    ASSERT_GT(lines.size(), 1u);
    EXPECT_EQ(lines[1], "PreloadMax=64");
}

TEST_F(SettingsTest, RestoreDefaultsLeavesFilterAndFileAlone)
{
    TfSettings s;
    s.SetIniFileName(iniPath);
    s.Edit1->setText("5");
    s.CheckBox1->setChecked(false);
    s.SetFilterIndex(2);
    s.Button3->click();
    EXPECT_EQ(s.Edit1->text(), "32");
    EXPECT_TRUE(s.CheckBox1->isChecked());
    EXPECT_TRUE(s.Edit1->isEnabled());
    EXPECT_TRUE(s.CheckBox2->isChecked());
    EXPECT_EQ(s.FilterIndex(), 2);
    EXPECT_FALSE(IniExists());
}

TEST_F(SettingsTest, WithoutAFileNameNothingIsReadOrWritten)
{
    TfSettings s;
    EXPECT_THROW(s.WriteSettings(host), Error);
    EXPECT_THROW(s.ReadSettings(host), Error);
    EXPECT_EQ(host.showMainCalls, 1);
}

} // namespace
