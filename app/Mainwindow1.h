#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/BatchRunner.h"
#include "engine/Preset.h"
#include "engine/SettingsStore.h"
#include "engine/SourceIntake.h"
#include "platform/ProgramPlaces.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace tarnick {

class TSearchFile;
class TMultiColComboBox;
class TDigitBar;
class TPCVFadeButton;
class TShadowLabel;
class TAppHint;
class TKitBrowseEdit;
class TKitSpinEdit;
class TWinPanel;
class TTrackBar;
class TBatchDriver;

// The maker's information page: this host, path "/info.php".
extern const char* const InfoPageHost;

// The information address for a program path: its file name without the
// extension, appended unescaped after "sn=".
std::string InfoPageAddress(std::string_view programPath);

class TMainForm1;

// Everything the window takes from its surroundings; tests replace it.
struct TMainFormOptions {
  // The folder holding profile.txt, Tarnick.ini and Readme.txt; default the
  // executable's folder.
  std::optional<std::string> ProgramFolder;
  // The program's own path (argument 0); default the executable's path.
  std::optional<std::string> ProgramPath;
  // The command-line paths; default the process's arguments after the first.
  std::optional<std::vector<std::string>> Arguments;
  // Opens a file or web address with the desktop's program.
  std::function<void(const std::string& target, bool isFile)> Open;
  // The progress window of one batch, owned by this window.
  std::function<std::unique_ptr<IProgressView>(TMainForm1& owner)> ProgressView;
  // Where the program keeps and finds its files; default everything in the
  // program folder (portable).
  std::optional<ProgramPlaces> Places;
  // The settings file; default the places' Tarnick.ini.
  SettingsFileOpener SettingsFile;
};

class TMainForm1 : public QWidget,
                   public IPresetTarget,
                   public ISettingsTarget,
                   public ISourceIntakeHost,
                   public IBatchHost {
 public:
  // Raises EFileError "ファイル %s は開けません" when profile.txt cannot be read.
  explicit TMainForm1(TMainFormOptions options = {}, QWidget* parent = nullptr);
  ~TMainForm1() override;

  // Fields.
  std::string FProgramFolder;
  ProgramPlaces FPlaces;
  std::string CurrentSource, CurrentOutput, QuotedOutput;

  // Handlers.
  void FormActivate();
  // False when the save failed and the window must stay open.
  bool FormClose();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void C2_00Change();
  void C1_03Change();
  void CheckBox2Click() override;
  void Button10Click();
  // The Memory Stick button: points the output at the PSP and runs the batch.
  void Button11Click();
  BatchResult Button0Click();
  void SearchFile1Find(TSearchFile* Sender, const std::string& Name, bool& Continue);

  // Drop handler: every local path of a drop, in the order given.
  void TakeDroppedPaths(const std::vector<std::string>& paths);
  void TakeSourcePath(const std::string& path);
  const std::vector<std::string>& Sources() const { return FSources; }
  bool BatchRunning() const { return FBatchRunning; }
  // Runs the batches with a progress window per batch (owned here).
  TBatchDriver& BatchDriver() { return *FBatch; }

  // Controls, by their layout names.
  QWidget* Panel0 = nullptr;
  TWinPanel* Panel1 = nullptr;
  TWinPanel* Panel3 = nullptr;
  TWinPanel* Panel5 = nullptr;
  TWinPanel* Panel11 = nullptr;
  TPCVFadeButton* Button1 = nullptr;
  TPCVFadeButton* Button2 = nullptr;
  TPCVFadeButton* Button3 = nullptr;
  TPCVFadeButton* Button4 = nullptr;
  TPCVFadeButton* Button5 = nullptr;
  TPCVFadeButton* Button10 = nullptr;
  TPCVFadeButton* Button11 = nullptr;
  QListWidget* ListBox1 = nullptr;
  TMultiColComboBox* C2_00 = nullptr;
  TMultiColComboBox* C2_04 = nullptr;
  QPlainTextEdit* Memo0 = nullptr;
  TDigitBar* DigitBar1 = nullptr;
  TDigitBar* DigitBar2 = nullptr;
  TDigitBar* DigitBar3 = nullptr;
  TTrackBar* TrackBar1 = nullptr;
  TTrackBar* TrackBar2 = nullptr;
  TKitBrowseEdit* C1_03 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  TKitSpinEdit* SpinEdit1 = nullptr;
  QPushButton* Button0 = nullptr;
  QComboBox* DriveComboBox1 = nullptr;
  std::vector<TShadowLabel*> ShadowLabels;
  std::unique_ptr<TSearchFile> SearchFile1;
  std::unique_ptr<TAppHint> AppHint1;

  // IPresetTarget / ISettingsTarget.
  int PresetItemIndex() const override;
  void SetPresetItemIndex(int index) override;
  void SetPresetTargetColumn(int column) override;
  std::string PresetSelectedText() const override;
  int CodecCount() const override;
  std::string CodecItemText(int index) const override;
  void SetCodecItemIndex(int index) override;
  int SizePosition() const override;
  void SetSizePosition(int index) override;
  int FrameRatePosition() const override;
  void SetFrameRatePosition(int fps) override;
  int VideoKbpsPosition() const override;
  void SetVideoKbpsPosition(int kbps) override;
  int SampleRatePosition() const override;
  void SetSampleRatePosition(int index) override;
  int AudioKbpsPosition() const override;
  void SetAudioKbpsPosition(int kbps) override;
  int Tag() const override { return FTag; }
  void SetTag(int tag) override { FTag = tag; }
  int Left() const override;
  void SetLeft(int x) override;
  int Top() const override;
  void SetTop(int y) override;
  // The load's preset step; without any preset line the layout's values
  // stand and nothing is reported.
  void ApplyPreset() override;
  std::string OutputFolder() const override;
  void SetOutputFolder(const std::string& path) override;
  bool TwoPass() const override;
  void SetTwoPass(bool on) override;
  bool SideThumbnail() const override;
  void SetSideThumbnail(bool on) override;
  int ThumbnailSecond() const override;
  void SetThumbnailSecond(int second) override;
  std::string ProgramFolder() const { return FProgramFolder; }
  std::string DefaultOutputFolder() const override { return FPlaces.OutputFolder; }
  std::string ScratchFolder() const override { return FPlaces.ScratchFolder; }
  std::string EncoderFolder() const override { return FPlaces.EncoderFolder; }
  void TakeCommandLine() override;

  // ISourceIntakeHost.
  EntryKind LookUpEntry(const std::string& path) override;
  void SearchFolder(const std::string& folder) override;
  void AddSource(const std::string& path) override;
  int SourceCount() const override;
  void ShowSourcesPresent() override;

  // IBatchHost.
  void SetMainEnabled(bool enabled) override { setEnabled(enabled); }
  std::string SourceAt(int index) const override;
  ConversionSettings ReadConversionSettings() const override;
  void SetCurrentSource(const std::string& path) override { CurrentSource = path; }
  void SetCurrentOutput(const std::string& path) override { CurrentOutput = path; }
  void SetQuotedOutput(const std::string& text) override { QuotedOutput = text; }

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void CreateControls();
  void CreateSourcesPanel();
  void CreateEncodingPanel();
  void CreateOutputPanel();
  void LoadPresets();
  void AddShadowLabel(QWidget* parent, const char* name, int left, int top, int width,
                      const char* caption, bool rightAligned);
  void Guarded(const std::function<void()>& handler);
  void ActivateGuarded();
  void DropTrailingSeparator();

  TMainFormOptions FOptions;
  std::vector<std::string> FSources;
  // Paths a take found, put into the list in one step when it ends.
  std::vector<std::string> FTaken;
  void TakeOnePath(const std::string& path);
  void FillSourceList();
  int FTag = 0;
  bool FActivationSeen = false;
  // The message of the last failed load: closing its error box activates
  // the window again, and the same failure is not shown over and over.
  std::string FLastLoadError;
  bool FBatchRunning = false;
  std::unique_ptr<TBatchDriver> FBatch;
  bool FDragging = false;
  QPoint FDragOffset;
};

}  // namespace tarnick
