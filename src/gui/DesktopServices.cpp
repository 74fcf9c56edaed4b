// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/DesktopServices.h"

#include "imageview/view/QloImage.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>

namespace quillo {

QString MessageText(const std::string &text)
{
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

TMsgResult TDesktopMessages::Show(const std::string &text, const std::string &caption, TMsgButtons buttons,
                                  TMsgIcon icon)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(MessageText(text));
    box.setTextFormat(Qt::PlainText);
    switch (icon) {
    case TMsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case TMsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case TMsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case TMsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case TMsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (buttons == TMsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No); // closing the box changes nothing
        return box.exec() == QMessageBox::Yes ? TMsgResult::Yes : TMsgResult::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return TMsgResult::Ok;
}

void TDesktopClipboard::SetBitmap(const TBitmap &bitmap)
{
    QGuiApplication::clipboard()->setImage(ToQImage(bitmap));
}

void InstallDesktopServices()
{
    static TDesktopMessages messages;
    static TDesktopClipboard clipboard;
    SetMessageService(&messages);
    SetClipboardService(&clipboard);
}

} // namespace quillo
