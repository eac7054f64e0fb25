#include "ui/batch/batch_file_path.h"

namespace zrx {

QString batch_file_path(const QString &directory, const QString &name)
{
    if (directory.endsWith(QLatin1Char('/')) || directory.endsWith(QLatin1Char('\\')))
        return directory + name;
    // Keep to the separator the directory text is written with, so a path
    // typed as c:\sets does not come out as c:\sets/a.csv.
    const bool backslashes = directory.contains(QLatin1Char('\\')) && !directory.contains(QLatin1Char('/'));
    return directory + (backslashes ? QLatin1Char('\\') : QLatin1Char('/')) + name;
}

} // namespace zrx
