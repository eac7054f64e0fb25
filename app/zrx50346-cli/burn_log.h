#pragma once

#include "burn_record.h"

namespace zrx {

// The --log file of program-otp, the station's account of every chip: each
// line goes to the disk (one write, then fsync) before the run goes on. With
// no --log every step does nothing and succeeds.
class BurnLog {
public:
    BurnLog(QString path, BurnPlace place);

    // Before the port opens: a log that is not a regular file (or a new one)
    // that takes an append refuses the run (exit 3).
    CommandOutcome check() const;
    // Before the first programming frame. A burn whose attempt is not on the
    // disk is not begun (exit 3).
    CommandOutcome write_attempt(const BurnRecord &record) const;
    // The end of every run, refused ones too. A run that went well but cannot
    // be put on record fails as a file error; a failure keeps its own code.
    CommandOutcome write_result(const BurnRecord &record, const CommandOutcome &outcome,
                                const QString &doneMessage) const;

private:
    QString m_path;
    BurnPlace m_place;
};

} // namespace zrx
