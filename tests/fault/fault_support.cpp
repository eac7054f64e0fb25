#include "fault_support.h"

#include "ui/batch/frm_batch.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>

#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace zrx {

QList<int> distinct_codes(int set)
{
    QList<int> codes;
    for (int c = 1; c <= 24; ++c)
        codes.append(32 * set + c);
    return codes;
}

QByteArray channel_set_text(const QString &vsup, const QList<int> &codes)
{
    QByteArray text = vsup.toLatin1() + "\r\n";
    for (const int code : codes)
        text += QByteArray::number(code) + "\r\n";
    return text;
}

void write_file(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(contents), contents.size());
}

QByteArray read_file(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void with_batch_window(MainWindowFixture &f, const QString &directory,
                       const std::function<void(frm_batch *)> &drive)
{
    f.store.write(QStringLiteral("Startup"), QStringLiteral("Default_Dir"), directory);
    bool driven = false;
    QTimer::singleShot(0, f.window.get(), [&] {
        auto *batch = qobject_cast<frm_batch *>(QApplication::activeModalWidget());
        QVERIFY(batch);
        driven = true;
        const QPointer<frm_batch> alive(batch);
        drive(batch);
        if (alive && alive->isVisible())
            alive->reject();
    });
    f.button(QStringLiteral("Command4"))->click();
    QVERIFY(driven);
}

QListWidget *file_list(frm_batch *batch)
{
    return batch->findChild<QListWidget *>(QStringLiteral("File1"));
}

QLabel *batch_status(frm_batch *batch)
{
    return batch->findChild<QLabel *>(QStringLiteral("lblBatchStatus"));
}

QLabel *batch_label(frm_batch *batch)
{
    return batch->findChild<QLabel *>(QStringLiteral("Label3"));
}

void click(frm_batch *batch, const QString &button)
{
    batch->findChild<QPushButton *>(button)->click();
}

void select_files(frm_batch *batch, const QStringList &names)
{
    QListWidget *list = file_list(batch);
    list->clearSelection();
    for (const QString &name : names) {
        const QList<QListWidgetItem *> found = list->findItems(name, Qt::MatchExactly);
        QVERIFY2(found.size() == 1, qPrintable(name));
        found[0]->setSelected(true);
    }
}

bool chip_holds(MainWindowFixture &f, const QList<int> &codes)
{
    for (int c = 1; c <= 24; ++c) {
        if (f.board.chip().register_word(c - 1) != quint16(codes.value(c - 1)))
            return false;
    }
    return true;
}

#ifdef Q_OS_LINUX
namespace {

constexpr quint32 FileOverrideCapabilities =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool get_capabilities(__user_cap_header_struct &header, __user_cap_data_struct (&data)[2])
{
    header = {_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}

bool change_effective(bool keep)
{
    __user_cap_header_struct header{};
    __user_cap_data_struct data[2]{};
    if (!get_capabilities(header, data))
        return false;
    if (keep)
        data[0].effective |= data[0].permitted & FileOverrideCapabilities;
    else
        data[0].effective &= ~FileOverrideCapabilities;
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

FilePermissionsObeyed::FilePermissionsObeyed()
{
    if (geteuid() == 0)
        m_dropped = change_effective(false);
}

FilePermissionsObeyed::~FilePermissionsObeyed()
{
    if (m_dropped)
        change_effective(true);
}

FileSizeLimit::FileSizeLimit(long bytes)
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_saved = limit.rlim_cur;
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_saved);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_savedHandler);
}
#else
FilePermissionsObeyed::FilePermissionsObeyed() = default;
FilePermissionsObeyed::~FilePermissionsObeyed() = default;
FileSizeLimit::FileSizeLimit(long) {}
FileSizeLimit::~FileSizeLimit() = default;
#endif

} // namespace zrx
