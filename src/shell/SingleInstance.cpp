#include "shell/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

#include "link/platform/UserFolders.h"

namespace nimbo::shell {
namespace {

constexpr int kSettleMs = 200;

}  // namespace

SingleInstance::SingleInstance(QString lockPath)
    : path_(lockPath.isEmpty() ? DefaultLockPath() : std::move(lockPath)) {}

QString SingleInstance::DefaultLockPath() {
  // The folders are taken as the environment names them: one that is missing
  // must show as a lock that cannot be made, not move the lock elsewhere.
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) {
    return QDir::cleanPath(runtime + QStringLiteral("/nimbo-control.lock"));
  }
  // Without a runtime folder the lock goes to the temporary folder, keyed by
  // user so that two users may each run a copy.
  return QDir::cleanPath(QString::fromStdString(platform::TemporaryFolder()) +
                         QStringLiteral("/nimbo-control-") +
                         QString::fromStdString(platform::UserKey()) + QStringLiteral(".lock"));
}

SingleInstance::Outcome SingleInstance::Acquire() {
  if (lock_ && lock_->isLocked()) {
    return Outcome::Acquired;
  }
  problem_.clear();
  lock_ = std::make_unique<QLockFile>(path_);
  lock_->setStaleLockTime(0);  // a lock is stale only when its process has gone
  if (lock_->tryLock(0)) {
    return Outcome::Acquired;
  }
  switch (lock_->error()) {
    case QLockFile::LockFailedError: {
      // A copy that is starting may not have written its process id yet:
      // give it a moment before asking who holds the lock.
      if (lock_->tryLock(kSettleMs)) {
        return Outcome::Acquired;
      }
      qint64 pid = 0;
      QString host;
      QString application;
      if (lock_->getLockInfo(&pid, &host, &application) && pid > 0) {
        return Outcome::AnotherCopyRuns;
      }
      problem_ = QStringLiteral("the lock file %1 exists but holds no process id").arg(path_);
      break;
    }
    case QLockFile::PermissionError:
      problem_ = QStringLiteral("no permission to create the lock file %1").arg(path_);
      break;
    case QLockFile::NoError:
    case QLockFile::UnknownError:
      const QFileInfo folder(QFileInfo(path_).absolutePath());
      problem_ =
          folder.isDir()
              ? QStringLiteral("cannot create the lock file %1").arg(path_)
              : QStringLiteral("cannot create the lock file %1: the folder %2 does not exist")
                    .arg(path_, folder.filePath());
      break;
  }
  return Outcome::NoLock;
}

}  // namespace nimbo::shell
