#include "shell/SingleInstance.h"

#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <utility>

namespace nimbo::shell {

SingleInstance::SingleInstance(QString lockPath)
    : path_(lockPath.isEmpty() ? DefaultLockPath() : std::move(lockPath)) {}

QString SingleInstance::DefaultLockPath() {
  // Without a runtime folder the lock goes to the temporary folder, keyed by
  // user so that two users may each run a copy.
  QString folder = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")
                       ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                       : QString();
  if (folder.isEmpty()) {
    return QDir::tempPath() + QStringLiteral("/nimbo-control-") + QString::number(getuid()) +
           QStringLiteral(".lock");
  }
  return folder + QStringLiteral("/nimbo-control.lock");
}

bool SingleInstance::Acquire() {
  if (lock_ && lock_->isLocked()) {
    return true;
  }
  lock_ = std::make_unique<QLockFile>(path_);
  lock_->setStaleLockTime(0);  // a lock is stale only when its process has gone
  return lock_->tryLock(0);
}

}  // namespace nimbo::shell
