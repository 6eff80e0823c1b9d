#include "controls/Kitbrowseedit.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <array>

#include "toolkit/Canvas.h"

namespace tarnick {
namespace {

FolderPicker& Picker() {
  static FolderPicker picker;
  return picker;
}

std::optional<std::string> RealPicker(const FolderPickRequest& request) {
  QFileDialog::Options options = QFileDialog::ShowDirsOnly;
  QString chosen =
      QFileDialog::getExistingDirectory(request.Owner, QString::fromStdString(request.Title),
                                        QString::fromStdString(request.StartPath), options);
  if (chosen.isEmpty()) return std::nullopt;
  // The platform's own form of the path: no trailing separator but a root's.
  return QDir::toNativeSeparators(QDir::cleanPath(chosen)).toStdString();
}

}  // namespace

int ShellFolderNumber(TKitSystemFolders folder) {
  static constexpr std::array<int, 31> numbers = {0,  -1, 2,  3,  4,  5,  6,  7,  8,  9,  10,
                                                  11, 16, 17, 18, 19, 1,  20, 21, 22, 23, 24,
                                                  25, 26, 27, 29, 30, 31, 32, 33, 34};
  return numbers.at(folder);
}

unsigned BrowseFlags(TKitBrowseDlgOptions o) {
  unsigned flags = 0;
  if (o & BrowseOption(doBrowseForComputer)) flags |= 0x1000;
  if (o & BrowseOption(doBrowseForPrinter)) flags |= 0x2000;
  if (o & BrowseOption(doDontGoBelowDomain)) flags |= 0x0002;
  if (o & BrowseOption(doReturnFileSysAncestors)) flags |= 0x0008;
  if (o & BrowseOption(doReturnFileSysDirs)) flags |= 0x0001;
  if (o & BrowseOption(doStatusText)) flags |= 0x0004;
  if (o & BrowseOption(doShowFiles)) flags |= 0x4000;
  if (o & BrowseOption(doAllowEdit)) flags |= 0x0010 | 0x0020;
  return flags;
}

FolderPicker SetFolderPicker(FolderPicker picker) {
  FolderPicker old = std::move(Picker());
  Picker() = std::move(picker);
  return old;
}

TKitBrowseDlg::TKitBrowseDlg(QWidget* owner) : QObject(owner), FOwner(owner) {}

bool TKitBrowseDlg::Execute() {
  FolderPickRequest request;
  request.Owner = FOwner ? FOwner->window() : QApplication::activeWindow();
  request.Title = CaptionTitle.empty() ? Caption : CaptionTitle;
  request.StartPath = FSelectedFolder;
  request.Flags = BrowseFlags(Options);
  std::optional<std::string> chosen = Picker() ? Picker()(request) : RealPicker(request);
  if (!chosen) return false;
  FSelectedFolder = *chosen;
  return true;
}

// ---------------------------------------------------------------- edit

TKitBrowseEdit::TKitBrowseEdit(QWidget* owner) : TCustomControl(owner) {
  SetColor(clWindow);
  FEdit = new QLineEdit(this);
  FEdit->setFrame(false);
  FEdit->setMaxLength(32767);
  FEdit->installEventFilter(this);
  setFocusProxy(FEdit);
  setCursor(Qt::PointingHandCursor);
  FEdit->setCursor(Qt::PointingHandCursor);
  setMouseTracking(true);
  connect(FEdit, &QLineEdit::textChanged, this, [this] {
    if (!Loading() && OnChange) OnChange(this);
  });
  CMFontChanged();
  resize(121, 21);
  Layout();
}

TKitBrowseEdit::~TKitBrowseEdit() {
  if (FSavedFlashTime >= 0) QApplication::setCursorFlashTime(FSavedFlashTime);
}

std::string TKitBrowseEdit::Text() const {
  return FEdit->text().toStdString();
}

void TKitBrowseEdit::SetText(const std::string& text) {
  QString t = QString::fromStdString(text);
  if (FMaxLength > 0) t = t.left(FMaxLength);
  if (t == FEdit->text()) return;
  FEdit->setText(t);            // raises OnChange once
  FEdit->setCursorPosition(0);  // the caret and the view go to the start
}

bool TKitBrowseEdit::ReadOnly() const {
  return FEdit->isReadOnly();
}
void TKitBrowseEdit::SetReadOnly(bool value) {
  FEdit->setReadOnly(value);
}

void TKitBrowseEdit::SetMaxLength(int length) {
  FMaxLength = length < 0 ? 0 : length;
  FEdit->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
}

TRect TKitBrowseEdit::ButtonRect() const {
  return Rect(Width() - kBorder - CustomButtonWidth(), kBorder, Width() - kBorder,
              Height() - kBorder);
}

TRect TKitBrowseEdit::TextRect() const {
  TRect b = ButtonRect();
  return Rect(kBorder, kBorder, b.Left - 1, Height() - kBorder);
}

void TKitBrowseEdit::Layout() {
  TRect t = TextRect();
  FEdit->setGeometry(t.Left, t.Top, std::max(0, t.Width()), std::max(0, t.Height()));
}

void TKitBrowseEdit::WMSize() {
  Layout();
}

void TKitBrowseEdit::CMFontChanged() {
  FEdit->setFont(Font().ToQFont());
  QPalette pal = FEdit->palette();
  pal.setColor(QPalette::Text, ToQColor(Font().Color()));
  pal.setColor(QPalette::Base, ToQColor(Color()));
  FEdit->setPalette(pal);
  Invalidate();
}

void TKitBrowseEdit::DrawFolderGlyph(Canvas& c, int x, int y) {
  const TColor yellow = clYellow, light = 0x80FFFF, grey = clGray, black = clBlack;
  auto px = [&](int dx, int dy, TColor col) { c.SetPixel(x + dx, y + dy, col); };
  auto hline = [&](int x1, int x2, int dy, TColor col) {
    for (int i = x1; i <= x2; ++i) px(i, dy, col);
  };
  auto vline = [&](int dx, int y1, int y2, TColor col) {
    for (int i = y1; i <= y2; ++i) px(dx, i, col);
  };
  // The tab.
  hline(2, 5, 2, grey);
  px(1, 3, grey);
  px(6, 3, grey);
  hline(2, 5, 3, light);
  // The body: grey top and left, black bottom and right, yellow inside.
  hline(0, 12, 4, grey);
  vline(0, 4, 12, grey);
  for (int dy = 5; dy <= 12; ++dy) hline(1, 11, dy, yellow);
  hline(1, 11, 5, light);
  vline(1, 5, 12, light);
  hline(0, 12, 13, black);
  vline(12, 4, 13, black);
}

void TKitBrowseEdit::Paint() {
  Canvas& c = GetCanvas();
  c.Brush.Style = bsSolid;
  c.Brush.Color = Color();
  c.FillRect(ClientRect());
  c.DrawEdge(ClientRect(), EDGE_SUNKEN, BF_RECT);
  TRect b = ButtonRect();
  c.Brush.Color = clBtnFace;
  c.FillRect(b);
  if (FButtonDown)
    c.DrawEdge(b, BDR_SUNKENOUTER, BF_RECT);
  else if (FButtonHot)
    c.DrawEdge(b, BDR_RAISEDINNER, BF_RECT);
  int gx = b.Left + (b.Width() - 13) / 2, gy = b.Top + (b.Height() - 14) / 2;
  if (FButtonDown) ++gx, ++gy;
  c.SetClipRect(b.Intersected(c.ClipRect()));
  DrawFolderGlyph(c, gx, gy);
}

void TKitBrowseEdit::mousePressEvent(QMouseEvent* e) {
  QPoint p = e->position().toPoint();
  if (e->button() == Qt::LeftButton && isEnabled() && ButtonRect().Contains(p.x(), p.y())) {
    FButtonDown = true;
    Repaint();
  }
  TCustomControl::mousePressEvent(e);
}

void TKitBrowseEdit::mouseMoveEvent(QMouseEvent* e) {
  QPoint p = e->position().toPoint();
  bool hot = ButtonRect().Contains(p.x(), p.y());
  if (hot != FButtonHot) {
    FButtonHot = hot;
    Invalidate();
  }
  TCustomControl::mouseMoveEvent(e);
}

void TKitBrowseEdit::mouseReleaseEvent(QMouseEvent* e) {
  bool wasDown = FButtonDown;
  QPoint p = e->position().toPoint();
  if (e->button() == Qt::LeftButton && FButtonDown) {
    FButtonDown = false;
    Repaint();
  }
  TCustomControl::mouseReleaseEvent(e);
  if (wasDown && e->button() == Qt::LeftButton && ButtonRect().Contains(p.x(), p.y()))
    DoOnBrowseClick(this, 0);
}

void TKitBrowseEdit::CMMouseLeave() {
  if (FButtonHot) {
    FButtonHot = false;
    Invalidate();
  }
}

void TKitBrowseEdit::DoOnBrowseClick(QObject*, int) {
  TKitBrowseDlg dlg(window());
  dlg.StartFolder = StartFolder;
  dlg.Options = Options;
  if (StartWithLast && !Text().empty()) dlg.SetPath(Text());
  if (OnExecute) OnExecute(this, &dlg);
  if (dlg.Execute()) SetText(dlg.SelectedFolder());
}

bool TKitBrowseEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FEdit) {
    // The caret blinks at the control's rate while it has the focus
    // (the flash time is a whole on-off cycle).
    if (event->type() == QEvent::FocusIn && FBlinkRate > 0) {
      if (FSavedFlashTime < 0) FSavedFlashTime = QApplication::cursorFlashTime();
      QApplication::setCursorFlashTime(2 * FBlinkRate);
    } else if (event->type() == QEvent::FocusOut && FSavedFlashTime >= 0) {
      QApplication::setCursorFlashTime(FSavedFlashTime);
      FSavedFlashTime = -1;
    }
  }
  return TCustomControl::eventFilter(watched, event);
}

}  // namespace tarnick
