// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The font the windows were laid out for: Tahoma at a pixel height of 11. The
// design sizes (column widths, bar heights) fit their texts in it.
#include <QFont>
#include <QString>
#include <QStringList>

namespace quillo {

// Where Debian's fonts-wine package installs its free Tahoma: used when the system
// has no Tahoma of its own; its letters have the same widths, so the design sizes
// still fit their texts.
QStringList WineTahomaFiles();

// "Tahoma" when the system has it or when one of `files` provides it (loaded for
// this process only); empty when neither does.
QString LoadDesignFontFamily(const QStringList &files = WineTahomaFiles());

// Tahoma at a pixel height of 11 where it could be found, else the system font.
QFont DesignFont();

// Makes DesignFont the font of every window made from now on.
void ApplyDesignFont();

} // namespace quillo
