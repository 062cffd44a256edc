// What every nimbo-cli command shares: the output streams, the link options,
// the link itself (built on first use) and one style of error message.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "ConsoleUserInterface.h"
#include "link/NimboModule.h"
#include "link/backend/Backend.h"
#include "link/sim/SimulatedDevice.h"

namespace nimbo::cli {

inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kUsageError = 2;

class Context {
 public:
  Context(std::ostream& out, std::ostream& err, bool outIsTerminal);
  // Commands run on a link that already exists (tests that plant faults in
  // the device first). `device` may be nullptr.
  Context(std::ostream& out, std::ostream& err, NIMBOmodule& module, sim::SimulatedDevice* device);
  ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  std::ostream& Out() { return out_; }
  std::ostream& Err() { return err_; }
  // True when results go to a terminal rather than a file or pipe.
  bool OutIsTerminal() const { return outIsTerminal_; }

  // Filled by the global options before any command runs.
  backend::BackendOptions& LinkOptions() { return options_; }

  // The command being run, as messages name it ("settings write").
  void SetCommand(std::string path) { command_ = std::move(path); }
  const std::string& Command() const { return command_; }

  // Writes "nimbo-cli: COMMAND: text" on the error stream, as one line
  // (control characters escaped), and returns `status`.
  int Fail(std::string_view text, int status = kFailure);

  // The shared state on the chosen link, built on first use (the link is
  // not opened yet). nullptr after a message when the link cannot be built.
  NIMBOmodule* Module();
  // Module() with the link open; nullptr after a message.
  NIMBOmodule* OpenModule();
  // Writes "<prefix><step> failed: <cause> (LinkStatus N)<suffix>" as a
  // failure and returns kFailure.
  int LinkFailure(std::string_view step, std::string_view prefix = {},
                  std::string_view suffix = {});
  // "<step> failed: <cause> (LinkStatus N)".
  std::string LinkFailureText(std::string_view step) const;
  // Why the module's last link operation failed, in words: "no reply within
  // the read time-out"; empty when the link did not say.
  std::string LinkCauseText() const;
  // "<cause> (LinkStatus N)", or "(LinkStatus N)" when the link did not say.
  std::string CauseAndStatus() const;
  // After ReadDeviceInfo on `module`: why the device gave no version, as
  // CauseAndStatus() says it; empty when it answered "IF", and when it
  // stayed silent, as the normal firmware does, even when listened to once
  // more for a late answer.
  std::string InfoFailureText(NIMBOmodule& module);
  // How to put the device into update mode, the only mode that answers "IF".
  std::string UpdateModeHint() const;
  // The simulated device itself, without opening the link: nullptr after a
  // usage message when --simulate was not given.
  sim::SimulatedDevice* Device();
  bool Simulated() const { return options_.simulate; }

  // Chooses the command to run once the command line has been parsed.
  void Select(std::string path, std::function<int()> action);
  // Runs the chosen command under its name; kUsageError when none was chosen.
  int RunSelected();

  // The command has written to the device: `what` ("the settings write")
  // completed.
  void WroteDevice(std::string what);
  // `status` as the command ended, or, when a success could not be printed,
  // kFailure after a line saying so and whether the device write completed.
  int PrintedStatus(int status);

  // Closes the link, if it is open.
  void CloseLink();

  // A stop request (signal number `signal`) was held while `what` wrote to
  // the device: once the command is done, the program ends as it asked.
  void EndAfterCommand(int signal, std::string what);
  // `status` as the command ended, or, after a held stop request, one line
  // saying whether the operation completed and 128 + the signal's number.
  int FinalStatus(int status);

 private:
  bool BuildLink();

  std::ostream& out_;
  std::ostream& err_;
  bool outIsTerminal_;
  backend::BackendOptions options_;
  std::string command_;
  std::unique_ptr<backend::Backend> backend_;
  std::unique_ptr<ConsoleUserInterface> ui_;
  std::unique_ptr<NIMBOmodule> ownModule_;
  NIMBOmodule* module_ = nullptr;
  sim::SimulatedDevice* device_ = nullptr;
  bool linkFailed_ = false;
  std::function<int()> action_;
  std::string deviceWrite_;
  int stopSignal_ = 0;
  std::string stoppedWrite_;
};

}  // namespace nimbo::cli
