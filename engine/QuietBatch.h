#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/BatchRunner.h"

namespace tarnick {

// The host of a batch without a main window: a fixed source list and
// settings, and the current paths of the pass.
class ListBatchHost : public IBatchHost {
 public:
  ListBatchHost() = default;
  ListBatchHost(std::vector<std::string> sources, ConversionSettings settings,
                std::string programFolder)
      : sources(std::move(sources)),
        settings(std::move(settings)),
        programFolder(std::move(programFolder)) {}

  void SetMainEnabled(bool) override {}
  std::string ScratchFolder() const override { return programFolder; }
  std::string EncoderFolder() const override { return encoderFolder.value_or(programFolder); }
  int SourceCount() const override { return static_cast<int>(sources.size()); }
  std::string SourceAt(int index) const override {
    return sources.at(static_cast<std::size_t>(index));
  }
  ConversionSettings ReadConversionSettings() const override { return settings; }
  void SetCurrentSource(const std::string& path) override { currentSource = path; }
  void SetCurrentOutput(const std::string& path) override { currentOutput = path; }
  void SetQuotedOutput(const std::string&) override {}

  const std::string& CurrentSource() const { return currentSource; }
  const std::string& CurrentOutput() const { return currentOutput; }
  const ConversionSettings& Settings() const { return settings; }

  std::vector<std::string> sources;
  ConversionSettings settings;
  std::string programFolder;                 // the scratch folder
  std::optional<std::string> encoderFolder;  // default the scratch folder
  std::string currentSource;
  std::string currentOutput;
};

// A progress view that shows nothing and is never cancelled.
class SilentProgressView : public IProgressView {
 public:
  void Create(IRunCanceller&) override {}
  void Show() override {}
  void Release() override {}
  void SetProgressMax(int) override {}
  void SetProgressPosition(int) override {}
  void SetLabel1(const std::string&) override {}
  void ClearImage1() override {}
  bool LoadImage1(const std::string&) override { return false; }
  void SetTimer1Enabled(bool) override {}
  void ResetCancelAnswer() override {}
  CancelAnswer GetCancelAnswer() const override { return CancelAnswer::None; }
};

}  // namespace tarnick
