#include "store/platform_paths.h"

#include <QDir>

namespace zrx {

bool is_path_separator(QChar c)
{
    return c == QLatin1Char('/');
}

QString fallback_directory()
{
    return QDir::rootPath();
}

} // namespace zrx
