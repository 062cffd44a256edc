// The previous-instance test: one running copy per user.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace nimbo::shell {

class SingleInstance {
 public:
  // `lockPath` empty: a lock file in the user's runtime folder.
  explicit SingleInstance(QString lockPath = {});

  // Takes the lock unless another live copy holds it; true when this copy
  // is the only one. The lock lasts as long as this object.
  bool Acquire();

  static QString DefaultLockPath();

 private:
  QString path_;
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace nimbo::shell
