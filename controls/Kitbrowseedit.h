#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <string>

#include "toolkit/Controls.h"

class QLineEdit;

namespace tarnick {

enum TKitBrowseDlgOption {
  doBrowseForComputer,
  doBrowseForPrinter,
  doDontGoBelowDomain,
  doReturnFileSysAncestors,
  doReturnFileSysDirs,
  doStatusText,
  doShowFiles,
  doAllowEdit,
  doShowPath,
  doEnableOK,
};
using TKitBrowseDlgOptions = unsigned;  // bit 1 << option
constexpr TKitBrowseDlgOptions BrowseOption(TKitBrowseDlgOption o) {
  return 1u << o;
}

enum TKitSystemFolders {
  bfoDesktop,
  bfoDesktopExpanded,
  bfoPrograms,
  bfoControlPanel,
  bfoPrinters,
  bfoPersonal,
  bfoFavorites,
  bfoStartup,
  bfoRecent,
  bfoSendto,
  bfoRecycleBin,
  bfoStartMenu,
  bfoDesktopDirectory,
  bfoMyComputer,
  bfoNetwork,
  bfoNetworkNeighborhood,
  bfoInternet,
  bfoFonts,
  bfoTemplates,
  bfoCommonStartMenu,
  bfoCommonPrograms,
  bfoCommonStartup,
  bfoCommonDesktopDirectory,
  bfoAppData,
  bfoPrintHood,
  bfoAltStartup,
  bfoCommonAltstartup,
  bfoCommonFavorites,
  bfoInternetChache,
  bfoCookies,
  bfoHistory,
};
// The shell's folder number, or -1 for bfoDesktopExpanded (no root).
int ShellFolderNumber(TKitSystemFolders folder);
// The folder picker's flags for a set of options.
unsigned BrowseFlags(TKitBrowseDlgOptions options);

// What the platform's folder picker is asked for.
struct FolderPickRequest {
  QWidget* Owner = nullptr;
  std::string Title;      // the picker's caption (empty: the platform's own)
  std::string StartPath;  // the folder selected at opening (empty: none)
  unsigned Flags = 0;
};
// Answers the chosen folder's full path, or nothing when cancelled.
using FolderPicker = std::function<std::optional<std::string>(const FolderPickRequest&)>;
// Replaces the picker (tests); an empty one restores the real dialog.
FolderPicker SetFolderPicker(FolderPicker picker);

// The folder picker component, made for each browse click.
class TKitBrowseDlg : public QObject {
 public:
  explicit TKitBrowseDlg(QWidget* owner = nullptr);

  std::string Caption;       // the title line
  std::string CaptionTitle;  // the window caption
  TKitSystemFolders StartFolder = bfoDesktopExpanded;
  TKitBrowseDlgOptions Options = BrowseOption(doReturnFileSysDirs) | BrowseOption(doShowPath);
  std::string StatusText;
  const std::string& SelectedFolder() const { return FSelectedFolder; }
  void SetPath(const std::string& path) { FSelectedFolder = path; }

  // Runs the picker modally over the owner form (else the active window);
  // true when a folder was chosen, which then is SelectedFolder.
  bool Execute();

 private:
  QWidget* FOwner;
  std::string FSelectedFolder;
};

// A one-line text box for a folder path with a browse button at its right
// end that opens the folder picker.
class TKitBrowseEdit : public TCustomControl {
 public:
  explicit TKitBrowseEdit(QWidget* owner = nullptr);
  ~TKitBrowseEdit() override;

  std::string Text() const;
  void SetText(const std::string& text);
  std::string GetPath() const { return Text(); }
  void SetPath(const std::string& path) { SetText(path); }

  bool StartWithLast = false;
  TKitSystemFolders StartFolder = bfoDesktopExpanded;
  TKitBrowseDlgOptions Options = BrowseOption(doReturnFileSysDirs) | BrowseOption(doShowPath);
  bool ReadOnly() const;
  void SetReadOnly(bool value);
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int length);
  int CustomButtonWidth() const { return 18; }
  int CaretBlinkRate() const { return FBlinkRate; }
  void SetCaretBlinkRate(int ms) { FBlinkRate = ms; }

  std::function<void(TControl*)> OnChange;
  std::function<void(TControl*, TKitBrowseDlg*)> OnExecute;

  // The browse button's click.
  void DoOnBrowseClick(QObject* sender, int index);

  QLineEdit* Editor() const { return FEdit; }
  // In client coordinates.
  TRect ButtonRect() const;
  TRect TextRect() const;
  static constexpr int kBorder = 2;  // the sunken edit border

  // The 13 x 14 closed-folder picture with its top-left at (x, y).
  static void DrawFolderGlyph(Canvas& canvas, int x, int y);

 protected:
  void Paint() override;
  void WMSize() override;
  void CMFontChanged() override;
  void CMMouseLeave() override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Layout();
  QLineEdit* FEdit;
  int FMaxLength = 0;
  int FBlinkRate = 200;
  int FSavedFlashTime = -1;
  bool FButtonDown = false;
  bool FButtonHot = false;
};

}  // namespace tarnick
