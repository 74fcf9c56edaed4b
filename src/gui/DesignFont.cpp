// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/DesignFont.h"

#include <QApplication>
#include <QFontDatabase>

namespace quillo {

namespace {
const QString kDesignFamily = QStringLiteral("Tahoma");
constexpr int kDesignPixelHeight = 11;
} // namespace

QStringList WineTahomaFiles()
{
    return {QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"), QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf")};
}

QString LoadDesignFontFamily(const QStringList &files)
{
    // A family the database lists is a font that exists: a substitute that the
    // font configuration would hand out for the name is not listed under it.
    if (QFontDatabase::families().contains(kDesignFamily))
        return kDesignFamily;
    bool found = false;
    for (const QString &file : files) {
        const int id = QFontDatabase::addApplicationFont(file);
        if (id >= 0 && QFontDatabase::applicationFontFamilies(id).contains(kDesignFamily))
            found = true;
    }
    return found ? kDesignFamily : QString();
}

QFont DesignFont()
{
    static const QString family = LoadDesignFontFamily();
    if (family.isEmpty())
        return QApplication::font();
    QFont font(family);
    font.setPixelSize(kDesignPixelHeight);
    return font;
}

void ApplyDesignFont() { QApplication::setFont(DesignFont()); }

} // namespace quillo
