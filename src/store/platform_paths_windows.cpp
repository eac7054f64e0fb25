#include "store/platform_paths.h"

namespace zrx {

bool is_path_separator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

// The drive the program's settings have always named.
QString fallback_directory()
{
    return QStringLiteral("c:\\");
}

} // namespace zrx
