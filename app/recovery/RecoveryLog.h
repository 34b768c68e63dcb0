#pragma once
// The log of one recovery, a text file in its destination folder, for the person who started the
// program from the desktop and has no standard error: one line for each file not recovered whole
// (its path on the scanned volume, why, and where it was written), then the counts. It is made
// at its first line under a name nothing in the folder has yet (an existing file is never
// replaced); a folder that takes no file leaves it unwritten, and says why.
#include <QString>

#include <mutex>

namespace app::recovery {

class RecoveryLog {
public:
    explicit RecoveryLog(QString folder);
    ~RecoveryLog();
    RecoveryLog(const RecoveryLog&) = delete;
    RecoveryLog& operator=(const RecoveryLog&) = delete;

    // One line; any thread.
    void addLine(const QString& line);
    // The log's path once it was written; empty before, or when it could not be.
    QString path() const;
    // Why it could not be written (the system's words); empty otherwise.
    QString error() const;

private:
    // Makes the file at the first line; false when it cannot be made.
    bool openLocked();

    mutable std::mutex m_mutex;
    QString m_folder;
    int m_fd = -1;
    QString m_path;
    QString m_error;
};

}  // namespace app::recovery
