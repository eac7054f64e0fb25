#pragma once

#include <QChar>
#include <QString>

namespace zrx {

// Where paths differ between the systems; one file per system
// (platform_paths_unix.cpp, platform_paths_windows.cpp), chosen by the build.

// Whether `c` ends a folder's name in a path: '/' everywhere, and '\\' too
// on Windows, where both are taken.
bool is_path_separator(QChar c);

// The directory the file dialogs start in when the stored one cannot be used.
QString fallback_directory();

} // namespace zrx
