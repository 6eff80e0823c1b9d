#include "cli/ConsoleProgress.h"

namespace tarnick {

ConsoleProgress::ConsoleProgress(std::ostream& out, bool terminal, const CliHost& host, Clock clock)
    : own_(std::make_unique<BatchReport>(ReportStreams{&out, &out, nullptr, terminal},
                                         host.SourceCount(), host.Settings().Passes(),
                                         std::move(clock))),
      report_(*own_),
      host_(host) {}

ConsoleProgress::ConsoleProgress(BatchReport& report, const CliHost& host)
    : report_(report), host_(host) {}

void ConsoleProgress::SetProgressPosition(int position) {
  if (position == position_) return;
  ClosePass();
  position_ = position;
  pass_ = 0;
}

void ConsoleProgress::SetLabel1(const std::string& text) {
  ClosePass();
  ++pass_;
  passOpen_ = true;
  runSeen_ = false;
  refusal_.reset();
  report_.PassStarted(position_, pass_, text, host_.CurrentSource(), host_.CurrentOutput());
}

void ConsoleProgress::RunStarted(std::optional<double> durationSeconds) {
  runSeen_ = true;
  report_.RunStarted(position_, durationSeconds);
}

void ConsoleProgress::RunProgress(double encoded, std::optional<double> fps) {
  report_.RunProgress(position_, encoded, fps);
}

void ConsoleProgress::RunEnded(bool cancelled, const std::string& failure,
                               const std::string& logPath) {
  passOpen_ = false;
  report_.RunEnded(position_, cancelled, failure, logPath);
}

void ConsoleProgress::ClosePass() {
  if (!passOpen_) return;
  passOpen_ = false;
  if (runSeen_) return;
  report_.PassNotRun(position_, refusal_
                                    ? RefusalText(*refusal_)
                                    : "not converted: the pass failed before the encoder started");
}

std::string ConsoleProgress::RefusalText(PassRefusal why) {
  switch (why) {
    case PassRefusal::LineTooLong:
      return "not converted: the encoder's command line would be longer than 9999 bytes";
    case PassRefusal::OutputIsSource:
      return "not converted: the output would replace the source";
    case PassRefusal::NotRegularFile:
      return "not converted: not a regular file (a pipe, device or socket)";
    case PassRefusal::NoSuchSource:
      return "not converted: the file is gone";
  }
  return "not converted";
}

void ConsoleProgress::SideThumbnailSkipped(const std::string& path) {
  report_.Warning("thumbnail not written: " + path +
                  " exists and is no earlier thumbnail (or is a source); it is kept as it is");
}

void ConsoleProgress::Finish() {
  // A pass that was cut short by a cancel is closed by RunEnded already.
  if (!interrupted_) ClosePass();
  if (own_) own_->Finish();
}

void ConsoleProgress::Interrupt() {
  if (interrupted_) return;
  interrupted_ = true;
  if (canceller_) canceller_->TerminateConversion();
}

}  // namespace tarnick
