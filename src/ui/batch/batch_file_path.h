#pragma once

#include <QString>

namespace zrx {

// The path of a list entry: the directory, a separator, the name. A directory
// that already ends in a separator (a drive root such as c:\ or /) gets none.
QString batch_file_path(const QString &directory, const QString &name);

} // namespace zrx
