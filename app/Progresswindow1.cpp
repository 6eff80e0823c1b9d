#include "app/Progresswindow1.h"

#include <QCoreApplication>

#include <QDeadlineTimer>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include "platform/JpegImage.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Hint.h"

namespace tarnick {

namespace {

constexpr TColor kSurface = 15461355;  // 0xEBEBEB
constexpr TColor kText = 4605510;      // 0x464646
const char* const kGothic = "ＭＳ Ｐゴシック";

void SetFontOf(TControl* c, const char* name, int pixels, TColor color, TFontStyles style,
               int charset) {
  TFont f;
  f.SetName(name);
  f.SetHeight(-pixels);
  f.SetColor(color);
  f.SetStyle(style);
  f.SetCharset(charset);
  c->SetFont(f);
  c->SetParentFont(false);
}

}  // namespace

// ---------------------------------------------------------------------------

TRectShape::TRectShape(QWidget* parent) : TGraphicControl(parent) {}

void TRectShape::Paint() {
  Canvas& c = GetCanvas();
  c.Pen = Pen;
  c.Brush = Brush;
  c.Rectangle(ClientRect());
}

TStretchImage::TStretchImage(QWidget* parent) : TGraphicControl(parent) {}

void TStretchImage::SetPicture(const QImage& picture) {
  FPicture = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
  Invalidate();
}

void TStretchImage::Paint() {
  // Without a picture the control shows what lies beneath.
  if (FPicture.isNull()) return;
  GetCanvas().StretchBlt(0, 0, Width(), Height(), FPicture, 0, 0, FPicture.width(),
                         FPicture.height(), SRCCOPY);
}

TAutoLabel::TAutoLabel(QWidget* parent) : TGraphicControl(parent) {}

void TAutoLabel::SetCaption(const std::string& caption) {
  if (caption == FCaption) return;
  FCaption = caption;
  AdjustBounds();
  Invalidate();
}

void TAutoLabel::CMFontChanged() {
  AdjustBounds();
  Invalidate();
}

void TAutoLabel::AdjustBounds() {
  Canvas& c = GetCanvas();
  c.Font = Font();
  const TSize s = c.TextExtent(FCaption.empty() ? std::string(" ") : FCaption);
  SetBounds(Left(), Top(), FCaption.empty() ? 0 : s.cx, s.cy);
}

void TAutoLabel::Paint() {
  Canvas& c = GetCanvas();
  c.Brush.Color = Color();
  c.Brush.Style = bsSolid;
  c.FillRect(ClientRect());
  c.Font = Font();
  c.TextOut(0, 0, FCaption);
}

// ---------------------------------------------------------------------------

std::string SizeLabelText(std::int64_t sourceBytes, std::int64_t outputBytes) {
  // Truncating division: -1 (unreadable) shows as 0, as 999 does.
  return std::to_string(sourceBytes / 1000) + "KB -> " + std::to_string(outputBytes / 1000) + "KB";
}

TProgressForm1::TProgressForm1(IProgressSource& source, IFileOps& files, IRunCanceller& canceller)
    : TControl(nullptr), FSource(source), FFiles(files), FCanceller(canceller) {
  // Not a child of the main window: the main window is disabled during the
  // batch, and a disabled parent would disable the cancel button too.
  // A tool window: no taskbar entry; its owner is made its transient parent
  // when it is shown.
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setWindowTitle(QStringLiteral("Tarnick"));
  setFixedSize(401, 72);
  SetColor(clBlack);
  SetFontOf(this, kGothic, 12, clWindowText, 0, SHIFTJIS_CHARSET);

  Shape0 = new TRectShape(this);
  Shape0->SetBounds(0, 0, 400, 72);
  Shape0->Brush.Color = kSurface;
  Shape0->Pen.Color = clBlack;

  Shape1 = new TRectShape(this);
  Shape1->SetBounds(5, 5, 82, 62);
  Shape1->Brush.Color = clBlack;
  Shape1->Pen.Color = clWhite;

  Image1 = new TStretchImage(this);
  Image1->SetBounds(6, 6, 80, 60);

  Label1 = new TAutoLabel(this);
  Label1->move(96, 20);
  Label1->SetColor(kSurface);
  SetFontOf(Label1, "Tahoma", 12, kText, fsBold, DEFAULT_CHARSET);
  Label1->SetCaption("***.*** -> ***.***");

  Label2 = new TAutoLabel(this);
  Label2->move(96, 32);
  Label2->SetColor(kSurface);
  SetFontOf(Label2, "Tahoma", 12, kText, fsBold, DEFAULT_CHARSET);
  Label2->SetCaption("0KB -> 0KB");

  ProgressBar1 = new TdxfProgressBar(this);
  ProgressBar1->SetBounds(92, 48, 300, 15);
  ProgressBar1->SetBeginColor(clGray);
  ProgressBar1->SetEndColor(clWhite);
  ProgressBar1->SetBevelOuter(bvLowered);
  ProgressBar1->SetBarBevelOuter(bvNone);
  ProgressBar1->SetStyle(sExSolid);
  ProgressBar1->SetOrientation(orHorizontal);
  ProgressBar1->SetMin(0);
  ProgressBar1->SetMax(10);
  ProgressBar1->SetPosition(0);
  ProgressBar1->SetStep(1);
  ProgressBar1->SetShowText(true);
  ProgressBar1->SetShowTextStyle(stsPercent);
  ProgressBar1->SetTransparentGlyph(true);
  SetFontOf(ProgressBar1, kGothic, 11, kText, 0, SHIFTJIS_CHARSET);

  Panel1 = new TWinPanel(this);
  Panel1->SetBounds(376, 4, 20, 20);
  Panel1->BevelOuter = TWinPanel::bvNone;
  Panel1->SetColor(clGray);

  Button1 = new TPCVFadeButton(Panel1);
  Button1->SetBounds(0, 0, 20, 20);
  Button1->SetCaption("×");
  ::tarnick::SetHint(Button1, " ｷｬﾝｾﾙ");
  Button1->SetShowHint(true);
  Button1->setCursor(Qt::PointingHandCursor);
  SetFontOf(Button1, "Tahoma", 12, clWhite, fsBold, DEFAULT_CHARSET);
  Button1->SetCaptionOverColor(clYellow);
  Button1->SetColor(clSilver);
  Button1->SetDestColor(clSilver);
  Button1->SetShowBorder(true);
  Button1->SetBorderHeight(1);
  Button1->SetBorderColor(clGray);
  Button1->SetBorderDestColor(clBlack);
  Button1->SetFadeOnOver(true);
  Button1->SetFadeOnLeave(true);
  Button1->SetStep(2);
  Button1->SetSpeed(12);
  Button1->OnClick = [this](TControl*) { Button1Click(); };

  Timer1.SetInterval(1000);
  Timer1.SetEnabled(false);
  Timer1.OnTimer = [this] { Timer1Timer(); };
}

TProgressForm1::~TProgressForm1() {
  Timer1.SetEnabled(false);
  Timer1.OnTimer = nullptr;
}

void TProgressForm1::Timer1Timer() {
  try {
    const std::int64_t source = FFiles.FileSize(FSource.CurrentSource());
    const std::int64_t output = FFiles.FileSize(FSource.CurrentOutput());
    FSourceSize = source;
    FOutputSize = output;
    Label2->SetCaption(SizeLabelText(source, output));
  } catch (...) {
    // A tick that fails leaves the last text; the next one tries again.
  }
}

void TProgressForm1::Button1Click() {
  // A second click before the runner has noticed the end of a run it
  // stopped must not turn the cancel into "not cancelled".
  if (FAnswer == CancelAnswer::Cancelled) return;
  bool stopped = false;
  try {
    stopped = FCanceller.TerminateConversion();
  } catch (...) {
    stopped = false;
  }
  FAnswer = stopped ? CancelAnswer::Cancelled : CancelAnswer::NotCancelled;
  if (!stopped) Notify(std::string(CancelFailedMessage));
}

void TProgressForm1::SetOnTop(bool on) {
  if (on == OnTop()) return;
  const bool shown = isVisible();
  const QPoint at = pos();
  setWindowFlag(Qt::WindowStaysOnTopHint, on);  // hides a shown window
  if (shown) {
    move(at);
    show();
  }
}

void TProgressForm1::Notify(const std::string& text) {
  QPointer<TProgressForm1> self(this);
  MessageBeep(0);
  SetOnTop(false);
  ShowMessage(text);
  if (self) SetOnTop(true);
}

void TProgressForm1::ShowCentred() {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect desktop = screen->geometry();
    move(desktop.x() + (desktop.width() - width()) / 2,
         desktop.y() + (desktop.height() - height()) / 2);
  }
  if (FOwner && FOwner->window()->windowHandle()) {
    winId();
    windowHandle()->setTransientParent(FOwner->window()->windowHandle());
  }
  show();
  // The runner blocks right after this (sleeps, waits): the first picture
  // must reach the screen now. Wait for the platform to expose the window
  // (bounded), let pending paints of every window happen once, then paint.
  QDeadlineTimer deadline(1000);
  while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

QImage TProgressForm1::Screenshot() {
  return grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void TProgressForm1::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  // The window's whole surface is its caption.
  if (windowHandle() && windowHandle()->startSystemMove()) return;
  FDragging = true;
  FDragOffset = e->globalPosition().toPoint() - pos();
}

void TProgressForm1::mouseMoveEvent(QMouseEvent* e) {
  if (FDragging && (e->buttons() & Qt::LeftButton))
    move(e->globalPosition().toPoint() - FDragOffset);
}

void TProgressForm1::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) FDragging = false;
}

void TProgressForm1::closeEvent(QCloseEvent* e) {
  // No close button: only the end of the batch takes the window away.
  if (FMayClose)
    e->accept();
  else
    e->ignore();
}

// ---------------------------------------------------------------------------

TProgressView::TProgressView(IProgressSource& source, IFileOps& files)
    : FSource(source), FFiles(files) {}

TProgressView::~TProgressView() {
  delete FForm.data();
}

void TProgressView::Create(IRunCanceller& canceller) {
  // Never more than one.
  if (FForm) Release();
  FLastAnswer = CancelAnswer::None;
  FForm = new TProgressForm1(FSource, FFiles, canceller);
  FForm->SetOwner(FOwner);
  if (OnCreated) OnCreated(FForm.data());
}

void TProgressView::Show() {
  if (FForm) FForm->ShowCentred();
}

void TProgressView::Release() {
  if (!FForm) return;
  TProgressForm1* form = FForm.data();
  FLastAnswer = form->Answer();
  form->Timer1.SetEnabled(false);
  form->AllowClose();
  form->hide();
  form->deleteLater();
  FForm = nullptr;
}

void TProgressView::SetProgressMax(int max) {
  if (FForm) FForm->ProgressBar1->SetMax(max);
}

void TProgressView::SetProgressPosition(int position) {
  if (FForm) FForm->ProgressBar1->SetPosition(position);
}

void TProgressView::SetLabel1(const std::string& text) {
  if (!FForm) return;
  FForm->Label1->SetCaption(text);
  // The steps that follow block: show the names now.
  FForm->repaint();
}

void TProgressView::ClearImage1() {
  if (FForm) FForm->Image1->Clear();
}

bool TProgressView::LoadImage1(const std::string& jpegPath) {
  if (!FForm) return false;
  const QImage picture = DecodeJpegFile(jpegPath, PreviewJpegLimits);
  if (picture.isNull()) {
    FForm->Image1->Clear();
    return false;
  }
  FForm->Image1->SetPicture(picture);
  FForm->repaint();
  return true;
}

void TProgressView::SetTimer1Enabled(bool on) {
  if (FForm) FForm->Timer1.SetEnabled(on);
}

void TProgressView::ResetCancelAnswer() {
  if (FForm) FForm->SetAnswer(CancelAnswer::None);
}

CancelAnswer TProgressView::GetCancelAnswer() const {
  return FForm ? FForm->Answer() : FLastAnswer;
}

}  // namespace tarnick
