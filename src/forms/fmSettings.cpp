// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmSettings.h"

#include "gui/WindowPlacement.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace quillo {
namespace {

const char *const kSettings = "Settings";
const char *const kLayout = "Layout";
const char *const kFullScreen = "FullScreen";
const char *const kLastRun = "Last run";

constexpr int kMaxPreloadLimit = 1024;

// The padding is part of the texts: it lines the quality notes up in the list.
const char *const kFilterNames[TfSettings::kFilterCount] = {
    "Box          - [Low quality]",
    "Triangle",
    "Hermite",
    "Bell          - [Medium quality]",
    "Spline",
    "Lanczos3",
    "Mitchell    - [High quality] ",
    "Vennick - [Testfilter]",
};

bool IsFolder(const std::string &path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

} // namespace

TfSettings::TfSettings(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fSettings"));
    setWindowTitle(QStringLiteral("Settings..."));

    GroupBox1 = new QGroupBox(QStringLiteral("Settings:"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1 = new QLabel(QStringLiteral("Load maximal:"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(QString::number(kDefaultMaxPreload), GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(41);
    Label1->setBuddy(Edit1);
    Label2 = new QLabel(QStringLiteral("MB of graphics into memory"), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit1->setAccessibleDescription(Label2->text());
    CheckBox1 = new QCheckBox(QStringLiteral("Use preloading"), GroupBox1);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    Bevel1 = new QFrame(GroupBox1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    CheckBox2 = new QCheckBox(QStringLiteral("Automatically save settings"), GroupBox1);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setChecked(false);

    auto *budgetRow = new QHBoxLayout;
    budgetRow->addWidget(Label1);
    budgetRow->addWidget(Edit1);
    budgetRow->addWidget(Label2);
    budgetRow->addStretch();
    auto *settingsBox = new QVBoxLayout(GroupBox1);
    settingsBox->addLayout(budgetRow);
    settingsBox->addWidget(CheckBox1);
    settingsBox->addWidget(Bevel1);
    settingsBox->addWidget(CheckBox2);

    GroupBox2 = new QGroupBox(QStringLiteral("Rendering:"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    Label3 = new QLabel(QStringLiteral("Filter:"), GroupBox2);
    Label3->setObjectName(QStringLiteral("Label3"));
    ComboBox1 = new QComboBox(GroupBox2);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(false);
    ComboBox1->setFixedWidth(233);
    for (const char *name : kFilterNames)
        ComboBox1->addItem(QString::fromLatin1(name));
    ComboBox1->setCurrentIndex(-1);
    Label3->setBuddy(ComboBox1);
    auto *renderRow = new QHBoxLayout(GroupBox2);
    renderRow->addWidget(Label3);
    renderRow->addWidget(ComboBox1);
    renderRow->addStretch();

    Button3 = new QPushButton(QStringLiteral("Restore defaults"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setAutoDefault(false);
    Button1 = new QPushButton(QStringLiteral("Agree"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(Button3);
    buttonRow->addStretch();
    buttonRow->addWidget(Button1);
    buttonRow->addWidget(Button2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addStretch();
    layout->addLayout(buttonRow);
    setFixedSize(420, 224);

    connect(CheckBox1, &QCheckBox::toggled, this, &TfSettings::CheckBox1Click);
    connect(Button1, &QPushButton::clicked, this, &TfSettings::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, &TfSettings::Button3Click);
    CheckBox1Click();
}

bool TfSettings::GetPreload() const { return CheckBox1->isChecked(); }

int TfSettings::GetMaxPreload() const
{
    return TIniFile::ParseInteger(Edit1->text().toStdString()).value_or(kDefaultMaxPreload);
}

int TfSettings::FilterIndex() const { return ComboBox1->currentIndex(); }

void TfSettings::SetFilterIndex(int index)
{
    ComboBox1->setCurrentIndex(index >= 0 && index < kFilterCount ? index : -1);
}

void TfSettings::CheckBox1Click() { Edit1->setEnabled(CheckBox1->isChecked()); }

void TfSettings::Button1Click()
{
    const std::optional<int> value = TIniFile::ParseInteger(Edit1->text().toStdString());
    if (!value || *value > kMaxPreloadLimit || *value <= 0) {
        ShowMessage(Edit1->text().toStdString() + " isn't a valid number!\r\rRange: 1 - 1024");
        Edit1->selectAll();
        Edit1->setFocus();
        return;
    }
    accept();
}

void TfSettings::Button3Click()
{
    Edit1->setText(QString::number(kDefaultMaxPreload));
    CheckBox1->setChecked(true);
    CheckBox2->setChecked(true);
}

int TfSettings::RunModal() { return exec(); }

void TfSettings::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        CentreOnScreen(*this);
    QDialog::showEvent(event);
}

void TfSettings::ShowSettings(TSettingsHost &host)
{
    // Qt keeps one default button per dialog, so Enter answers Cancel here: the
    // harmless choice, since Cancel writes nothing.
    Button2->setDefault(true);
    if (RunModal() == QDialog::Accepted)
        WriteSettings(host);
}

void TfSettings::ReadSettings(TSettingsHost &host)
{
    // The main window must appear even when restoring fails, or the program would
    // sit invisible behind its splash window.
    try {
        RestoreSettings(host);
    } catch (...) {
        host.ShowMainAndCloseSplash();
        throw;
    }
    host.ShowMainAndCloseSplash();
}

void TfSettings::RestoreSettings(TSettingsHost &host)
{
    if (FIniFileName.empty())
        throw Error("No settings file has been chosen.");
    const TIniFile ini(FIniFileName);
    CheckBox2->setChecked(ini.ReadBool(kSettings, "SaveSettings", true));
    if (!ini.ReadBool(kSettings, "SaveSettings", true))
        return;

    Edit1->setText(QString::number(ini.ReadInteger(kSettings, "PreloadMax", kDefaultMaxPreload)));
    CheckBox1->setChecked(ini.ReadBool(kSettings, "Preloading", true));
    CheckBox2->setChecked(ini.ReadBool(kSettings, "SaveSettings", true));
    host.SetSlideshowInterval(ini.ReadInteger(kFullScreen, "Interval", kDefaultInterval));

    const QRect current = host.MainBounds();
    const QRect bounds(ini.ReadInteger(kLayout, "Left", current.left()),
                       ini.ReadInteger(kLayout, "Top", current.top()),
                       ini.ReadInteger(kLayout, "Width", current.width()),
                       ini.ReadInteger(kLayout, "Height", current.height()));
    host.SetMainBounds(bounds, ini.ValueExists(kLayout, "Left") && ini.ValueExists(kLayout, "Top"));
    host.SetTreeHeight(ini.ReadInteger(kLayout, "BHeight", host.TreeHeight()));
    host.SetPaneWidth(ini.ReadInteger(kLayout, "BWidth", host.PaneWidth()));
    SetFilterIndex(ini.ReadInteger(kSettings, "Filter", kDefaultFilter));

    host.ProcessMessages();
    if (ini.ReadBool(kLayout, "Maximized", true))
        host.SetMainMaximized();
    host.ProcessMessages();

    const std::string folder = ini.ReadString(kLastRun, "Path", "");
    if (IsFolder(folder))
        host.SelectFolder(folder);
}

void TfSettings::WriteSettings(TSettingsHost &host)
{
    if (FIniFileName.empty())
        throw Error("No settings file has been chosen.");
    TIniFile ini(FIniFileName);
    // This order is what lays out a new file: Settings, Layout, FullScreen,
    // Last run, with BWidth the last key of Layout.
    ini.WriteInteger(kSettings, "PreloadMax", GetMaxPreload());
    ini.WriteBool(kSettings, "Preloading", GetPreload());
    ini.WriteBool(kSettings, "SaveSettings", CheckBox2->isChecked());
    ini.WriteInteger(kSettings, "Filter", FilterIndex());
    const QRect bounds = host.MainBounds();
    ini.WriteInteger(kLayout, "Left", bounds.left());
    ini.WriteInteger(kLayout, "Top", bounds.top());
    ini.WriteInteger(kLayout, "Width", bounds.width());
    ini.WriteInteger(kLayout, "Height", bounds.height());
    ini.WriteInteger(kLayout, "BHeight", host.TreeHeight());
    ini.WriteBool(kLayout, "Maximized", host.MainMaximized());
    ini.WriteInteger(kFullScreen, "Interval", host.SlideshowInterval());
    ini.WriteInteger(kLayout, "BWidth", host.PaneWidth());
    ini.WriteString(kLastRun, "Path", host.SelectedFolder());
}

} // namespace quillo
