#include "platform/ProcessLauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include "platform/ChildRuns.h"
#include "platform/EncoderAdapter.h"
#include "platform/EncoderLocator.h"
#include "platform/EncoderLog.h"

namespace tarnick {

std::vector<std::string> AdaptedRunArguments(const EncoderCommand& command,
                                             const std::string& encoderPath,
                                             const std::string& passLogPrefix) {
  return AdaptArguments(
      command.Arguments,
      command.Kind == EncoderRunKind::Conversion ? RunKind::Conversion : RunKind::Thumbnail,
      ProbeEncoders(encoderPath), passLogPrefix);
}

std::string EncoderLogPath(const std::string& name) {
  // The user's own cache folder, not a fixed name in the shared temporary
  // folder, where anyone could plant a link for the truncation to follow.
  QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  QDir dir(base + "/tarnick");
  if (base.isEmpty() || !dir.mkpath(".")) {
    QTemporaryDir fallback(QDir(QDir::tempPath()).filePath("tarnick-log-XXXXXX"));
    fallback.setAutoRemove(false);
    dir.setPath(fallback.path());
  }
  QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return dir.filePath(QString::fromStdString(name)).toStdString();
}

std::string DefaultEncoderLogPath() {
  return EncoderLogPath("ffmpeg.log");
}

ProcessLauncher::ProcessLauncher(std::string programFolder, std::string logPath)
    : programFolder_(std::move(programFolder)), logPath_(std::move(logPath)) {
  QFile log(QString::fromStdString(logPath_));
  if (log.open(QIODevice::WriteOnly | QIODevice::Truncate)) log.close();
}

ProcessLauncher::~ProcessLauncher() {
  // A thumbnail of the last file may still be on its way.
  WaitForThumbnailRuns(10000);
}

std::string ProcessLauncher::EncoderPath() const {
  return LocateEncoder(programFolder_).Path;
}

std::string ProcessLauncher::EncoderSearchText() const {
  return LocateEncoder(programFolder_).SearchText;
}

void ProcessLauncher::StartThumbnailRun(const EncoderCommand& command) {
  const std::string encoder = EncoderPath();
  if (encoder.empty()) return;
  thumbnails_.remove_if([](const auto& t) { return t->state() == QProcess::NotRunning; });
  auto p = std::make_unique<QProcess>();
  // Not waited for here; a child, so that a cancel can end it, and one
  // that ends with the program even when it is killed outright.
  SetChildCommand(*p, encoder, AdaptedRunArguments(command, encoder, ""));
  p->setStandardInputFile(QProcess::nullDevice());
  p->setStandardOutputFile(QProcess::nullDevice());
  p->setStandardErrorFile(QProcess::nullDevice());
  p->start();
  if (p->waitForStarted(5000)) thumbnails_.push_back(std::move(p));
}

void ProcessLauncher::EndThumbnailRuns() {
  for (auto& t : thumbnails_)
    if (t->state() != QProcess::NotRunning) t->terminate();
  for (auto& t : thumbnails_)
    if (!t->waitForFinished(KillAfterMs)) {
      t->kill();
      t->waitForFinished(-1);
    }
  thumbnails_.clear();
}

bool ProcessLauncher::AwaitThumbnailRuns(int ms) {
  QElapsedTimer clock;
  clock.start();
  for (auto& t : thumbnails_) {
    if (t->state() == QProcess::NotRunning) continue;
    const qint64 left = ms - clock.elapsed();
    if (left <= 0 || !t->waitForFinished(static_cast<int>(left))) return false;
  }
  return true;
}

void ProcessLauncher::WaitForThumbnailRuns(int ms) {
  for (auto& t : thumbnails_)
    if (!t->waitForFinished(ms)) {
      t->kill();
      t->waitForFinished(-1);
    }
  thumbnails_.clear();
}

RunOutcome ProcessLauncher::RunConversion(const EncoderCommand& command, IMessagePump& pump) {
  RunOutcome outcome;
  const std::string encoder = EncoderPath();
  if (encoder.empty()) return outcome;

  // Pass 1 starts a fresh statistics folder; pass 2 reads it and drops it.
  const bool twoPass = command.Passes == 2;
  const bool firstPass = twoPass && command.Pass == 1;
  if (firstPass || (twoPass && !passLogDir_))
    passLogDir_ =
        std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath("tarnick-pass-XXXXXX"));
  const std::string passLog =
      twoPass && passLogDir_->isValid() ? passLogDir_->filePath("pass").toStdString() : "";
  const bool lastPass = !firstPass;

  const std::vector<std::string> args = AdaptedRunArguments(command, encoder, passLog);
  qint64 logStart = 0;
  {
    // The line that runs, as it would be typed into a shell.
    std::vector<std::string> line{encoder};
    line.insert(line.end(), args.begin(), args.end());
    QFile log(QString::fromStdString(logPath_));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
      log.write(QByteArray::fromStdString("$ " + ShellQuoted(line) + "\n"));
      logStart = log.size();
      log.close();
    }
  }

  QProcess p;
  // Even a program killed outright must not leave its encoder running.
  SetChildCommand(p, encoder, args);
  p.setStandardInputFile(QProcess::nullDevice());
  p.setStandardOutputFile(QProcess::nullDevice());
  // Standard error comes through a pipe, so the log keeps only its head and
  // tail however much the encoder writes.
  p.setReadChannel(QProcess::StandardError);
  p.start();
  if (!p.waitForStarted(-1)) {
    passLogDir_.reset();
    return outcome;
  }
  outcome.Started = true;
  {
    EncoderLogWriter log(logPath_);
    auto drain = [&] {
      const QByteArray bytes = p.readAllStandardError();
      log.Add(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    };
    // The cancel button reaches the run only while it is waited for, even
    // when a handler in the pump throws.
    running_ = &p;
    struct Current {
      QProcess*& slot;
      ~Current() { slot = nullptr; }
    } current{running_};
    // waitForReadyRead sleeps in the kernel between slices: no busy wait.
    // Each wake takes what the pipe holds, so little is buffered; the pump
    // still runs every slice while messages keep coming.
    QElapsedTimer sincePump;
    sincePump.start();
    for (;;) {
      QElapsedTimer slice;
      slice.start();
      const bool more = p.waitForReadyRead(WaitSliceMs);
      drain();
      if (!more && p.state() == QProcess::NotRunning) break;
      // An encoder that closed its standard error makes the wait return at
      // once: then only its end is waited for, still without a busy loop.
      if (!more && slice.elapsed() < WaitSliceMs / 2) p.waitForFinished(WaitSliceMs);
      if (!more || sincePump.elapsed() >= WaitSliceMs) {
        pump.ProcessMessages();
        sincePump.restart();
      }
    }
    drain();
  }
  outcome.NormalExit = p.exitStatus() == QProcess::NormalExit;
  outcome.ExitCode = p.exitCode();
  outcome.WriteError = FindWriteErrorInLog(logPath_, static_cast<std::uint64_t>(logStart));
  if (lastPass || !outcome.NormalExit) passLogDir_.reset();
  return outcome;
}

bool ProcessLauncher::TerminateConversion() {
  if (!running_ || running_->state() == QProcess::NotRunning) return false;
  // A run that has already ended but is not yet noticed is not ours to stop.
  if (running_->waitForFinished(0)) return false;
  running_->terminate();
  if (!running_->waitForFinished(KillAfterMs)) {
    running_->kill();
    running_->waitForFinished(-1);
  }
  return true;
}

void QtMessagePump::ProcessMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ThreadSleeper::Sleep(int milliseconds) {
  QThread::msleep(static_cast<unsigned long>(milliseconds));
}

}  // namespace tarnick
