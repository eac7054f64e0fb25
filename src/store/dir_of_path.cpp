#include "store/channel_set_file.h"

namespace zrx {

QString dir_of_path(const QString &path)
{
    qsizetype last = path.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    last = std::max(last, path.lastIndexOf(QLatin1Char('\\')));
#endif
    return last < 0 ? QString() : path.left(last + 1);
}

} // namespace zrx
