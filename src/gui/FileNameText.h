// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File names are bytes; widgets show and return them as text in the file system's encoding.
#include <QFile>

#include <string>

namespace quillo {

inline QString FromBytes(const std::string &s) { return QFile::decodeName(QByteArray::fromStdString(s)); }
inline std::string ToBytes(const QString &s) { return QFile::encodeName(s).toStdString(); }

} // namespace quillo
