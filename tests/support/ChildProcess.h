// Another program, as far as file locks and mappings can tell: a forked child
// runs `body` and sends back the text it returns. With Stay::UntilKilled the
// child then keeps whatever it opened until it is killed. POSIX only.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace nimbo::test {

class ChildProcess {
 public:
  enum class Stay { No, UntilKilled };

  // Returns once the child has sent its text.
  explicit ChildProcess(const std::function<std::string()>& body, Stay stay = Stay::No) {
    int ends[2];
    if (::pipe(ends) != 0) {
      return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ends[0]);
      const std::string text = body();
      [[maybe_unused]] const ssize_t sent = ::write(ends[1], text.data(), text.size());
      ::close(ends[1]);
      while (stay == Stay::UntilKilled) {
        ::pause();
      }
      ::_exit(0);
    }
    ::close(ends[1]);
    char chunk[256];
    for (ssize_t got; pid_ > 0 && (got = ::read(ends[0], chunk, sizeof chunk)) > 0;) {
      report_.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(ends[0]);
  }
  ~ChildProcess() { Kill(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  const std::string& Report() const { return report_; }
  void Kill() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = 0;
    }
  }

 private:
  pid_t pid_ = 0;
  std::string report_;
};

}  // namespace nimbo::test
