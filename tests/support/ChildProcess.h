// Another program, as far as file locks and mappings can tell: a forked child
// runs `body` and sends back the text it returns, then ends, or with `stay`
// keeps what it opened until it is killed. POSIX only.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <utility>

namespace nimbo::test {

class ChildProcess {
 public:
  // Returns once the child has sent its text.
  explicit ChildProcess(const std::function<std::string()>& body, bool stay = false) {
    int ends[2] = {-1, -1};
    if (::pipe(ends) == 0 && (pid_ = ::fork()) == 0) {
      const std::string text = body();
      [[maybe_unused]] const ssize_t sent = ::write(ends[1], text.data(), text.size());
      ::close(ends[1]);
      while (stay) {
        ::pause();
      }
      ::_exit(0);
    }
    ::close(ends[1]);
    char chunk[256];
    for (ssize_t got; (got = ::read(ends[0], chunk, sizeof chunk)) > 0;) {
      report_.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(ends[0]);
  }
  ~ChildProcess() { Kill(); }

  const std::string& Report() const { return report_; }
  void Kill() {
    if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0) {
      ::waitpid(std::exchange(pid_, 0), nullptr, 0);
    }
  }

 private:
  pid_t pid_ = 0;
  std::string report_;
};

}  // namespace nimbo::test
