#pragma once

#include <string>
#include <vector>

#include "engine/BatchRunner.h"

namespace tarnick {

// The main window as a batch of the command line program sees it: a fixed
// source list and settings, and the current paths of the pass.
class CliHost : public IBatchHost {
 public:
  CliHost(std::vector<std::string> sources, ConversionSettings settings, std::string programFolder)
      : sources_(std::move(sources)), settings_(std::move(settings)),
        programFolder_(std::move(programFolder)) {}

  void SetMainEnabled(bool) override {}
  std::string ProgramFolder() const override { return programFolder_; }
  int SourceCount() const override { return static_cast<int>(sources_.size()); }
  std::string SourceAt(int index) const override {
    return sources_.at(static_cast<std::size_t>(index));
  }
  ConversionSettings ReadConversionSettings() const override { return settings_; }
  void SetCurrentSource(const std::string& path) override { currentSource_ = path; }
  void SetCurrentOutput(const std::string& path) override { currentOutput_ = path; }
  void SetQuotedOutput(const std::string&) override {}

  const std::string& CurrentSource() const { return currentSource_; }
  const std::string& CurrentOutput() const { return currentOutput_; }
  const ConversionSettings& Settings() const { return settings_; }

 private:
  std::vector<std::string> sources_;
  ConversionSettings settings_;
  std::string programFolder_;
  std::string currentSource_;
  std::string currentOutput_;
};

}  // namespace tarnick
