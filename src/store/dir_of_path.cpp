#include "store/channel_set_file.h"
#include "store/platform_paths.h"

namespace zrx {

QString dir_of_path(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (is_path_separator(path.at(i)))
            return path.left(i + 1);
    }
    return {};
}

} // namespace zrx
