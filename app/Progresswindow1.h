#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>

#include <cstdint>
#include <string>

#include "app/StdControls.h"
#include "controls/Dxfprogressbar.h"
#include "controls/Pcvfadebutton.h"
#include "engine/BatchRunner.h"
#include "toolkit/Controls.h"
#include "toolkit/Timer.h"

namespace tarnick {

// A rectangle with a pen outline and a brush fill.
class TRectShape : public TGraphicControl {
 public:
  explicit TRectShape(QWidget* parent);
  TPen Pen;
  TBrush Brush;

 protected:
  void Paint() override;
};

// An image control whose picture is stretched to the control's size.
class TStretchImage : public TGraphicControl {
 public:
  explicit TStretchImage(QWidget* parent);
  const QImage& Picture() const { return FPicture; }
  void SetPicture(const QImage& picture);
  void Clear() { SetPicture(QImage()); }

 protected:
  void Paint() override;

 private:
  QImage FPicture;
};

// A label that sizes itself to its text, on its own background colour.
class TAutoLabel : public TGraphicControl {
 public:
  explicit TAutoLabel(QWidget* parent);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption);

 protected:
  void Paint() override;
  void CMFontChanged() override;

 private:
  void AdjustBounds();
  std::string FCaption;
};

// Where the size poll reads the paths of the pass in progress (the main
// window's CurrentSource and CurrentOutput).
class IProgressSource {
 public:
  virtual ~IProgressSource() = default;
  virtual std::string CurrentSource() const = 0;
  virtual std::string CurrentOutput() const = 0;
};

// "n KB -> m KB" with kilobytes of 1000 bytes, the remainder dropped; a size
// that could not be read (-1) shows as 0KB.
std::string SizeLabelText(std::int64_t sourceBytes, std::int64_t outputBytes);

// The progress window of one batch: borderless, on top, centred on the
// desktop, dragged by its surface. Its cancel button ends the running
// conversion through the canceller.
class TProgressForm1 : public TControl {
 public:
  TProgressForm1(IProgressSource& source, IFileOps& files, IRunCanceller& canceller);
  ~TProgressForm1() override;

  TRectShape* Shape0;
  TRectShape* Shape1;
  TStretchImage* Image1;
  TAutoLabel* Label1;
  TAutoLabel* Label2;
  TdxfProgressBar* ProgressBar1;
  TWinPanel* Panel1;
  TPCVFadeButton* Button1;
  TTimer Timer1;

  // The sizes read by the last tick (-1: could not be read).
  std::int64_t SourceSize() const { return FSourceSize; }
  std::int64_t OutputSize() const { return FOutputSize; }

  void Timer1Timer();
  void Button1Click();

  CancelAnswer Answer() const { return FAnswer; }
  void SetAnswer(CancelAnswer answer) { FAnswer = answer; }

  // Places the window at the centre of the desktop and shows it.
  void ShowCentred();
  // The window it belongs to: the platform's transient parent, so it stays
  // with that window and has no taskbar entry of its own.
  void SetOwner(QWidget* owner) { FOwner = owner; }
  QWidget* Owner() const { return FOwner; }
  // Stays on top of other windows, or not (while a message box is shown,
  // which must not lie beneath it).
  void SetOnTop(bool on);
  bool OnTop() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }
  // A beep and the message box, shown above this window.
  void Notify(const std::string& text);

  // Lets a close go through (at release); any other close is refused.
  void AllowClose() { FMayClose = true; }

  // The whole window as it looks now, children included.
  QImage Screenshot();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  IProgressSource& FSource;
  IFileOps& FFiles;
  IRunCanceller& FCanceller;
  std::int64_t FSourceSize = 0;
  std::int64_t FOutputSize = 0;
  CancelAnswer FAnswer = CancelAnswer::None;
  bool FMayClose = false;
  QPointer<QWidget> FOwner;
  bool FDragging = false;
  QPoint FDragOffset;  // pointer position minus window position
};

// The progress view of the batch runner: one TProgressForm1 per batch,
// created at the start and released at its end.
class TProgressView : public IProgressView {
 public:
  TProgressView(IProgressSource& source, IFileOps& files);
  ~TProgressView() override;
  TProgressView(const TProgressView&) = delete;
  TProgressView& operator=(const TProgressView&) = delete;

  void Create(IRunCanceller& canceller) override;
  void Show() override;
  void Release() override;
  void SetProgressMax(int max) override;
  void SetProgressPosition(int position) override;
  void SetLabel1(const std::string& text) override;
  void ClearImage1() override;
  bool LoadImage1(const std::string& jpegPath) override;
  void SetTimer1Enabled(bool on) override;
  void ResetCancelAnswer() override;
  CancelAnswer GetCancelAnswer() const override;

  // The window of the batch in progress, null between batches (the global
  // ProgressForm1 of the runner).
  TProgressForm1* Form() const { return FForm.data(); }
  // The main window that owns each progress window.
  void SetOwner(QWidget* owner) { FOwner = owner; }
  // Called whenever a window has been created, so tests can watch it.
  std::function<void(TProgressForm1*)> OnCreated;

 private:
  IProgressSource& FSource;
  IFileOps& FFiles;
  QPointer<TProgressForm1> FForm;
  QPointer<QWidget> FOwner;
  CancelAnswer FLastAnswer = CancelAnswer::None;
};

}  // namespace tarnick
