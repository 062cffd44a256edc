// The previous-instance test: one running copy per user.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace nimbo::shell {

class SingleInstance {
 public:
  enum class Outcome {
    Acquired,         // this copy is the only one
    AnotherCopyRuns,  // a live process holds the lock
    NoLock,           // the lock file cannot be made: Problem() says why
  };

  // `lockPath` empty: a lock file in the user's runtime folder.
  explicit SingleInstance(QString lockPath = {});

  // Takes the lock unless another live copy holds it. The lock lasts as long
  // as this object; a lock left by a process that has gone is taken over.
  Outcome Acquire();

  // For NoLock: the lock file and what keeps it from being made.
  QString Problem() const { return problem_; }

  static QString DefaultLockPath();

 private:
  QString path_;
  std::unique_ptr<QLockFile> lock_;
  QString problem_;
};

}  // namespace nimbo::shell
