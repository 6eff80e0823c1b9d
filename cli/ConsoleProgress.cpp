#include "cli/ConsoleProgress.h"

#include <cmath>
#include <cstdio>

#include "engine/CommandLine.h"

namespace tarnick {

ConsoleProgress::ConsoleProgress(std::ostream& out, bool terminal, const CliHost& host, Clock clock)
    : out_(out), terminal_(terminal), host_(host), passes_(host.Settings().Passes()),
      clock_(std::move(clock)) {}

double ConsoleProgress::SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string ConsoleProgress::Duration(double seconds) {
  long total = seconds > 0 ? std::lround(seconds) : 0;
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

void ConsoleProgress::SetProgressMax(int max) {
  files_ = max;
  records_.resize(static_cast<std::size_t>(std::max(max, 0)));
}

void ConsoleProgress::SetProgressPosition(int position) {
  if (position == position_) return;
  ClosePass();
  position_ = position;
  pass_ = 0;
}

void ConsoleProgress::SetLabel1(const std::string& text) {
  ClosePass();
  label_ = text;
  ++pass_;
  passOpen_ = true;
  runSeen_ = false;
  refusal_.reset();
  if (position_ >= 0 && position_ < static_cast<int>(records_.size())) {
    Current().Source = host_.CurrentSource();
    Current().Output = host_.CurrentOutput();
  }
}

std::string ConsoleProgress::Prefix() const {
  return "[" + std::to_string(position_ + 1) + "/" + std::to_string(files_) + "] " + label_ +
         "  pass " + std::to_string(pass_) + "/" + std::to_string(passes_);
}

void ConsoleProgress::Draw(const std::string& state) {
  out_ << "\r\x1b[K" << Prefix() << "  " << state << std::flush;
  lineOpen_ = true;
}

void ConsoleProgress::RunStarted(std::optional<double> durationSeconds) {
  runSeen_ = true;
  duration_ = durationSeconds;
  runStart_ = clock_();
  lastDraw_ = runStart_;
  if (terminal_) Draw(duration_ ? "0%" : "starting");
}

void ConsoleProgress::RunProgress(double encoded) {
  if (!terminal_) return;
  const double now = clock_();
  // A redraw five times a second is enough to read and cheap on slow links.
  if (now - lastDraw_ < 0.2) return;
  lastDraw_ = now;
  if (!duration_) {
    Draw(Duration(encoded) + " encoded");
    return;
  }
  const double fraction = std::clamp(encoded / *duration_, 0.0, 1.0);
  std::string state = std::to_string(static_cast<int>(fraction * 100)) + "%";
  if (fraction > 0.01) state += "  " + Duration((now - runStart_) * (1 - fraction) / fraction) + " left";
  Draw(state);
}

void ConsoleProgress::RunEnded(bool cancelled, const std::string& failure) {
  passOpen_ = false;
  const std::string took = Duration(clock_() - runStart_);
  std::string state;
  if (cancelled) {
    state = "cancelled";
  } else if (failure.empty()) {
    state = "done in " + took;
  } else {
    state = "failed after " + took;
  }
  if (position_ >= 0 && position_ < static_cast<int>(records_.size())) {
    FileRecord& r = Current();
    ++r.PassesRun;
    if (cancelled) {
      r.Status = FileStatus::Cancelled;
    } else if (!failure.empty()) {
      r.Status = FileStatus::Failed;
      if (r.Reason.empty()) r.Reason = failure;
    } else if (r.Status == FileStatus::Pending && pass_ == passes_) {
      r.Status = FileStatus::Converted;
    }
  }
  if (terminal_) {
    Draw(state);
  } else {
    out_ << Prefix() << "  " << state;
  }
  out_ << '\n' << std::flush;
  lineOpen_ = false;
}

void ConsoleProgress::ClosePass() {
  if (!passOpen_) return;
  passOpen_ = false;
  if (runSeen_ || position_ < 0 || position_ >= static_cast<int>(records_.size())) return;
  FileRecord& r = Current();
  r.Status = FileStatus::Failed;
  if (r.Reason.empty())
    r.Reason = refusal_ ? RefusalText(*refusal_)
                        : "not converted: the pass failed before the encoder started";
  out_ << (lineOpen_ ? "\n" : "") << Prefix() << "  " << r.Reason << '\n' << std::flush;
  lineOpen_ = false;
}

std::string ConsoleProgress::RefusalText(PassRefusal why) {
  switch (why) {
    case PassRefusal::LineTooLong:
      return "not converted: the encoder's command line would be longer than 9999 bytes";
    case PassRefusal::OutputIsSource: return "not converted: the output would replace the source";
    case PassRefusal::NotRegularFile:
      return "not converted: not a regular file (a pipe, device or socket)";
    case PassRefusal::NoSuchSource: return "not converted: the file is gone";
  }
  return "not converted";
}

void ConsoleProgress::SideThumbnailSkipped(const std::string& path) {
  out_ << (lineOpen_ ? "\n" : "") << Prefix() << "  thumbnail not written: " << path
       << " exists and is no earlier thumbnail (or is a source); it is kept as it is\n"
       << std::flush;
  lineOpen_ = false;
}

void ConsoleProgress::Finish() {
  // A pass that was cut short by a cancel is closed by RunEnded already.
  if (!interrupted_) ClosePass();
  if (lineOpen_) out_ << '\n' << std::flush;
  lineOpen_ = false;
}

void ConsoleProgress::Interrupt() {
  if (interrupted_) return;
  interrupted_ = true;
  if (canceller_) canceller_->TerminateConversion();
}

}  // namespace tarnick
