#include "child_process.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <vector>

extern char **environ;

namespace zrx {

ChildResult run_child(const QString &program, const QStringList &arguments, const QStringList &environment)
{
    std::vector<QByteArray> storage;
    const QByteArray path = program.toLocal8Bit();
    storage.push_back(path);
    for (const QString &a : arguments)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<QByteArray> envStorage;
    for (const QString &e : environment)
        envStorage.push_back(e.toLocal8Bit());
    std::vector<char *> envp;
    for (QByteArray &e : envStorage)
        envp.push_back(e.data());
    for (char **e = environ; *e; ++e)
        envp.push_back(*e);
    envp.push_back(nullptr);

    ChildResult result;
    QElapsedTimer clock;
    clock.start();
    // The children's chatter on stderr would break up the table.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, path.constData(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return result;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return result;
    result.wallSeconds = double(clock.nsecsElapsed()) / 1e9;
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

} // namespace zrx
