#include "store/atomic_file.h"

#include <QSaveFile>

namespace zrx {
namespace {

// A write that stops short (a file-size limit, a full disk) is asked to go on,
// so that the system names its reason instead of the text being cut silently.
bool write_all(QSaveFile &file, const QByteArray &text)
{
    for (qint64 done = 0; done < text.size();) {
        const qint64 written = file.write(text.constData() + done, text.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

bool write_file_atomically(const QString &path, const QByteArray &text, QString *reason)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    // Unbuffered, because a buffered write that fails part-way is dropped
    // without an error and the short file would still be committed.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && write_all(file, text) && file.commit())
        return true;
    if (reason)
        *reason = file.errorString();
    // Leaving without commit() throws the new text away.
    return false;
}

} // namespace zrx
