// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings dialog, which is also the running program's store of settings: its
// controls hold the live values (the preload budget, preloading, the automatic
// restore and the resampling filter), and the rest of the program reads them here.
// ReadSettings and WriteSettings move those values, the main window's layout, the
// slideshow interval and the last folder between the controls and the INI file.
#include <QDialog>
#include <QRect>
#include <string>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillo {

// What the settings store needs of the main window. Implemented by the main window;
// tests implement it with a fake.
struct TSettingsHost {
    // The main window's current bounds (left, top, width, height); while it is
    // maximised, the maximised bounds.
    virtual QRect MainBounds() = 0;
    // Restored bounds. With `positionStored` false the file held no position: keep
    // the size and open the window centred on the screen. A host that never gets
    // this call (restoring switched off) also opens its window centred.
    virtual void SetMainBounds(const QRect &bounds, bool positionStored) = 0;
    virtual bool MainMaximized() = 0;
    virtual void SetMainMaximized() = 0;
    virtual int TreeHeight() = 0; // folder tree height, key "BHeight"
    virtual void SetTreeHeight(int height) = 0;
    virtual int PaneWidth() = 0;  // left pane width, key "BWidth"
    virtual void SetPaneWidth(int width) = 0;
    virtual std::string SelectedFolder() = 0; // the tree's selected path ("" for none)
    // Selects an existing folder in the tree; this runs a complete folder change.
    virtual void SelectFolder(const std::string &path) = 0;
    virtual int SlideshowInterval() = 0; // ms, the fullscreen viewer's Timer1
    virtual void SetSlideshowInterval(int ms) = 0;
    virtual void ProcessMessages() = 0;
    // Last step of the start-up read: show the main window, wait 250 ms without
    // processing messages, close the splash window.
    virtual void ShowMainAndCloseSplash() = 0;
    virtual ~TSettingsHost() = default;
};

class TfSettings : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDefaultMaxPreload = 32;
    static constexpr int kDefaultFilter = 7;
    static constexpr int kDefaultInterval = 2000;
    static constexpr int kFilterCount = 8;

    explicit TfSettings(QWidget *parent = nullptr);

    // The settings file; the program uses SettingsFilePath(program path).
    void SetIniFileName(const std::string &fileName) { FIniFileName = fileName; }
    const std::string &IniFileName() const { return FIniFileName; }

    bool GetPreload() const;
    // Edit1 read as an integer (sign, "0x" or "$" hex allowed), 32 when it is not
    // one. Deliberately unchecked: only "Agree" enforces 1..1024.
    int GetMaxPreload() const;
    // The selected filter index 0..7, or -1 when none is selected.
    int FilterIndex() const;
    // Selects filter `index`; a value outside 0..7 leaves none selected.
    void SetFilterIndex(int index);

    // Shows the dialog modally with Cancel as the default button; after OK writes
    // the whole settings file at once. Cancel writes nothing and keeps the edits.
    // Throws Error when the file cannot be written.
    void ShowSettings(TSettingsHost &host);
    // Restores the values (when "SaveSettings" allows it), then always ends with
    // host.ShowMainAndCloseSplash(), also when restoring failed.
    void ReadSettings(TSettingsHost &host);
    // Writes every key, in a fixed order. Throws Error when the file cannot be written.
    void WriteSettings(TSettingsHost &host);

    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLabel *Label2 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QFrame *Bevel1 = nullptr;
    QCheckBox *CheckBox2 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QLabel *Label3 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QPushButton *Button3 = nullptr; // "Restore defaults"
    QPushButton *Button1 = nullptr; // "Agree"
    QPushButton *Button2 = nullptr; // "Cancel"

public Q_SLOTS:
    void Button1Click();
    void Button3Click();
    void CheckBox1Click();

protected:
    // The modal run; tests override it to answer the dialog.
    virtual int RunModal();
    void showEvent(QShowEvent *event) override;

private:
    void RestoreSettings(TSettingsHost &host);
    std::string FIniFileName;
};

} // namespace quillo
