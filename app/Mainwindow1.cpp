#include "app/Mainwindow1.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <algorithm>

#include "app/BatchDriver.h"
#include "app/PspTransfer.h"
#include "app/Searchfile.h"
#include "app/StdControls.h"
#include "controls/Digitbar.h"
#include "controls/Kitbrowseedit.h"
#include "controls/Kitspinedit.h"
#include "controls/Mccbox.h"
#include "controls/Newhint.h"
#include "controls/Pcvfadebutton.h"
#include "controls/Shadolbl.h"
#include "engine/Exception.h"
#include "engine/SourceOrder.h"
#include "platform/DirectoryListing.h"
#include "platform/FileOps.h"
#include "platform/IniSettingsFile.h"
#include "platform/ProcessLauncher.h"
#include "platform/TextFile.h"
#include "platform/Volumes.h"
#include "toolkit/Application.h"
#include "toolkit/Canvas.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Hint.h"
#include "toolkit/TrackBar.h"

namespace tarnick {

const char* const InfoPageHost = "http://tarnick.example.jp";

namespace {

constexpr TColor PanelColor = 15461355;  // 235, 235, 235
constexpr TColor TextColor = 4605510;    // 70, 70, 70
constexpr TColor TitleButtonColor = 10329501;
constexpr TColor ColumnGrey = 15790320;
constexpr TColor VideoColumn = 16762111;
constexpr TColor AudioColumn = 16777156;

const char* const Gothic = "ＭＳ Ｐゴシック";

TFont MakeFont(const char* face, int pixels, TColor color, bool bold = false) {
  TFont f;
  f.SetName(face);
  f.SetHeight(-pixels);
  f.SetColor(color);
  f.SetStyle(bold ? TFontStyles(fsBold) : TFontStyles(0));
  f.SetCharset(SHIFTJIS_CHARSET);
  return f;
}

QFont QtFont(const char* face, int pixels, bool bold = false) {
  return MakeFont(face, pixels, clBlack, bold).ToQFont();
}

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

void Place(QWidget* w, int l, int t, int wd, int h) {
  w->setGeometry(l, t, wd, h);
}

void SetTextColor(QWidget* w, TColor color) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, ToQColor(color));
  p.setColor(QPalette::Text, ToQColor(color));
  p.setColor(QPalette::ButtonText, ToQColor(color));
  w->setPalette(p);
}

// Notices of the batch: the beep, then the plain message dialog.
class TDialogNotifier : public INotifier {
 public:
  void Beep() override { MessageBeep(0); }
  void ShowMessage(const std::string& text) override { tarnick::ShowMessage(text); }
};

// The local path of a dropped file's address as bytes: a name that is no
// UTF-8 comes percent-encoded, and the decoded text form would lose it.
std::string LocalPathBytes(const QUrl& url) {
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

std::string DefaultProgramPath() {
  return QCoreApplication::applicationFilePath().toStdString();
}

}  // namespace

std::string InfoPageAddress(std::string_view programPath) {
  std::string name = ExtractFileName(NativePathStyle, programPath);
  std::string stem = ChangeFileExt(NativePathStyle, name, "");
  return std::string(InfoPageHost) + "/info.php?pf=w&sn=" + stem;
}

TMainForm1::TMainForm1(TMainFormOptions options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), FOptions(std::move(options)) {
  if (!FOptions.ProgramPath) FOptions.ProgramPath = DefaultProgramPath();
  if (!FOptions.Arguments) {
    std::vector<std::string> args;
    const QStringList all = QCoreApplication::arguments();
    for (int i = 1; i < all.size(); ++i) args.push_back(all[i].toStdString());
    FOptions.Arguments = std::move(args);
  }
  if (!FOptions.Open) {
    FOptions.Open = [](const std::string& target, bool isFile) {
      QDesktopServices::openUrl(isFile ? QUrl::fromLocalFile(Q(target))
                                       : QUrl(Q(target), QUrl::TolerantMode));
    };
  }

  setWindowTitle("Tarnick");
  setFixedSize(400, 570);
  move(20, 20);
  setAutoFillBackground(false);
  setFont(QtFont(Gothic, 12));
  CreateControls();

  // Construction steps: drops, the program folder, the two lists.
  setAcceptDrops(true);
  if (FOptions.Places) {
    FPlaces = *FOptions.Places;
    FProgramFolder = FPlaces.ProgramFolder;
  } else {
    FProgramFolder = FOptions.ProgramFolder
                         ? *FOptions.ProgramFolder
                         : ProgramFolderOf(NativePathStyle, *FOptions.ProgramPath);
    FPlaces = PortablePlaces(FProgramFolder);
  }
  if (!FOptions.SettingsFile)
    FOptions.SettingsFile = TIniSettingsFile::OpenerFor(FPlaces.SettingsFile);
  LoadPresets();
  // Installed, the settings and scratch folders may not exist yet; a folder
  // that cannot be made shows up as the save's own error.
  MakeWritableFolders(FPlaces);

  FBatch = std::make_unique<TBatchDriver>();
  FBatch->View().SetOwner(this);
  // Asked to end from outside: stop the encoder first, then close as the
  // close button does.
  FBatch->QuitOnTerminationSignals(*this);
}

TMainForm1::~TMainForm1() = default;

void TMainForm1::LoadPresets() {
  C2_00->Items().Add(std::string(PresetHeaderRow));
  const std::string& path = FPlaces.ProfileFile;
  // Raises "ファイル %s は開けません"; the window is then never shown.
  std::vector<std::string> lines = ReadTextFileLines(path);
  QString buffer;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) buffer += '\n';
    buffer += Q(lines[i]);
  }
  Memo0->setPlainText(buffer);
  for (const auto& line : lines) C2_00->Items().Add(line);
  for (auto codec : CodecNames) C2_04->Items().Add(std::string(codec));
}

// ---------------------------------------------------------------- layout

void TMainForm1::CreateControls() {
  Panel0 = new TWinPanel(this);
  auto* p0 = static_cast<TWinPanel*>(Panel0);
  p0->BevelOuter = TWinPanel::bvNone;
  p0->SetColor(clSilver);
  Place(Panel0, 290, 2, 104, 20);

  Panel1 = new TWinPanel(this);
  Panel3 = new TWinPanel(this);
  Panel5 = new TWinPanel(this);
  for (auto* p : {Panel1, Panel3, Panel5}) {
    p->BevelOuter = TWinPanel::bvRaised;
    p->BevelInner = TWinPanel::bvLowered;
    p->SetColor(PanelColor);
  }
  Place(Panel1, 6, 30, 386, 160);
  Place(Panel3, 6, 442, 386, 118);
  Place(Panel5, 16, 196, 366, 240);

  auto titleButton = [&](const char* caption, const char* hint, int left, int width,
                         void (TMainForm1::*click)()) {
    auto* b = new TPCVFadeButton(Panel0);
    Place(b, left, 0, width, 20);
    b->SetCaption(caption);
    b->SetColor(TitleButtonColor);
    b->Font().Assign(MakeFont("Tahoma", 12, clWhite, true));
    b->SetFadeOnOver(true);
    b->SetFadeOnLeave(true);
    b->SetBorderHeight(1);
    b->setCursor(Qt::PointingHandCursor);
    SetHint(b, hint);
    b->OnClick = [this, click](TControl*) { Guarded([this, click] { (this->*click)(); }); };
    return b;
  };
  Button4 = titleButton("info.", " インフォメーション", 0, 40, &TMainForm1::Button4Click);
  Button3 = titleButton("?", " ユーザーズガイド", 44, 20, &TMainForm1::Button3Click);
  Button2 = titleButton("_", " 最小化", 64, 20, &TMainForm1::Button2Click);
  Button1 = titleButton("×", " 閉じる", 84, 20, &TMainForm1::Button1Click);

  CreateSourcesPanel();
  CreateEncodingPanel();
  CreateOutputPanel();

  for (auto* b : {Button1, Button2, Button3, Button4, Button5, Button10, Button11}) {
    b->SetStep(2);
    b->SetSpeed(12);
    b->SetShowBorder(true);
    b->SetBorderColor(clGray);
    b->SetBorderDestColor(clBlack);
    b->SetDestColor(clSilver);
    b->SetCaptionOverColor(clYellow);
  }

  SearchFile1 = std::make_unique<TSearchFile>();
  SearchFile1->SetRecursive(true);
  SearchFile1->SetOnFind([this](TSearchFile* sender, const std::string& name,
                                const TSearchFileData&,
                                bool& cont) { SearchFile1Find(sender, name, cont); });

  AppHint1 = std::make_unique<TAppHint>(this);
  AppHint1->BGColor = clBlack;
  AppHint1->Brush().Color = clSilver;
  AppHint1->Font().Assign(MakeFont(Gothic, 16, clWhite, true));
  AppHint1->SetHintPause(500);
  AppHint1->SetHidePause(2500);
  AppHint1->SetShortPause(0);
  AppHint1->SetHintStyle(hsRoundRect);
  AppHint1->ShadowColor = clGray;
  AppHint1->ShadowVisible = true;
  AppHint1->Loaded();

  // Panels in tab order 0 to 3 (title buttons, sources, output, encoding),
  // each panel's controls in their own order.
  QWidget* const tabs[] = {ListBox1,  C2_00,     Memo0,     C2_04,     C1_03,
                           CheckBox1, CheckBox2, SpinEdit1, Button0,   DriveComboBox1,
                           DigitBar1, DigitBar2, TrackBar1, DigitBar3, TrackBar2};
  for (std::size_t i = 0; i + 1 < std::size(tabs); ++i) setTabOrder(tabs[i], tabs[i + 1]);

  // The end of the loading phase: AutoSize and the other layout effects
  // are resolved now, with every property in place.
  for (QWidget* w : findChildren<QWidget*>())
    if (auto* c = dynamic_cast<TControl*>(w); c && c->Loading()) c->EndLoading();

  // Drops land on the form wherever they are let go.
  for (QWidget* child : findChildren<QWidget*>()) child->setAcceptDrops(false);
}

void TMainForm1::CreateSourcesPanel() {
  ListBox1 = new QListWidget(Panel1);
  Place(ListBox1, 6, 8, 374, 120);
  ListBox1->setFont(QtFont(Gothic, 11));
  ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListBox1->setUniformItemSizes(true);
  ListBox1->setStyleSheet(
      "QListWidget { background: white; color: black; }"
      "QListWidget::item { height: 11px; padding: 0px; }");
  SetHint(ListBox1, " 変換対象ファイル");

  C2_00 = new TMultiColComboBox(Panel1);
  Place(C2_00, 64, 134, 286, 19);
  C2_00->setCursor(Qt::PointingHandCursor);
  C2_00->SetCanEdit(false);
  C2_00->SetIndent(1);
  C2_00->SetColor(clWhite);
  C2_00->SetDropDownCount(30);
  C2_00->SetItemHeight(13);
  C2_00->Font().Assign(MakeFont(Gothic, 11, TextColor));
  {
    const int widths[] = {200, 60, 60, 70, 60, 60, 60, 60, 60};
    const TColor colors[] = {clWhite,     ColumnGrey,  VideoColumn, VideoColumn, VideoColumn,
                             VideoColumn, AudioColumn, AudioColumn, AudioColumn};
    C2_00->Columns().Clear();
    for (int i = 0; i < 9; ++i) {
      auto& col = C2_00->Columns().Add();
      col.SetWidth(widths[i]);
      col.SetColor(colors[i]);
      col.Font().Assign(MakeFont(Gothic, 11, TextColor));
    }
  }
  SetHint(C2_00, " おまかせ設定");
  C2_00->OnChange = [this](TCustomComboBox*) { Guarded([this] { C2_00Change(); }); };

  Memo0 = new QPlainTextEdit(Panel1);
  Place(Memo0, 348, 103, 29, 25);
  Memo0->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo0->hide();

  C2_04 = new TMultiColComboBox(Panel1);
  Place(C2_04, 204, 126, 132, 19);
  C2_04->SetCanEdit(false);
  C2_04->SetIndent(1);
  C2_04->SetColor(clWhite);
  C2_04->SetDropDownCount(30);
  C2_04->SetItemHeight(13);
  C2_04->Font().Assign(MakeFont(Gothic, 11, TextColor));
  C2_04->Columns().Clear();
  {
    auto& a = C2_04->Columns().Add();
    a.SetWidth(112);
    a.SetColor(clWhite);
    a.Font().Assign(MakeFont(Gothic, 11, TextColor));
    auto& b = C2_04->Columns().Add();
    b.SetWidth(160);
    b.SetColor(ColumnGrey);
    b.Font().Assign(MakeFont(Gothic, 11, TextColor));
  }
  SetHint(C2_04, " 動画のｺｰﾃﾞｯｸ");
  C2_04->hide();

  Panel11 = new TWinPanel(Panel1);
  Place(Panel11, 6, 8, 374, 120);
  Panel11->BevelOuter = TWinPanel::bvLowered;
  Panel11->SetColor(PanelColor);
  Panel11->Font().Assign(MakeFont(Gothic, 16, TextColor, true));
  Panel11->Caption = "[ ここにファイルをドロップ(複数可) ]";
  Panel11->setCursor(Qt::CrossCursor);
  SetHint(Panel11, " ここにファイルをドロップ(複数可)");
  Panel11->raise();

  AddShadowLabel(Panel1, "L1_00", 8, 138, 53, "おまかせ-", true);

  Button5 = new TPCVFadeButton(Panel1);
  Place(Button5, 360, 128, 20, 18);
  Button5->SetCaption("Del");
  Button5->Font().Assign(MakeFont(Gothic, 11, clWhite));
  Button5->SetColor(clSilver);
  Button5->SetFadeOnOver(false);
  Button5->SetFadeOnLeave(false);
  Button5->SetBorderHeight(1);
  Button5->setCursor(Qt::PointingHandCursor);
  SetHint(Button5, " 一覧をｸﾘｱ");
  Button5->OnClick = [this](TControl*) { Guarded([this] { Button5Click(); }); };
}

void TMainForm1::CreateEncodingPanel() {
  auto digitBar = [&](int left, int min, int max, int pos, TColor focus, const char* hint) {
    // Read as the window data gives it: while loading, the bounds stand and
    // AutoSize takes effect only when the loading ends.
    auto* d = new TDigitBar(Panel5);
    d->BeginLoading();
    Place(d, left, 8, 40, 140);
    d->setCursor(Qt::PointingHandCursor);
    d->SetColor(clWhite);
    d->Font().Assign(MakeFont(Gothic, 12, TextColor));
    d->SetAutoSize(false);
    d->SetBtnHeight(16);
    d->SetModes(ModeSet(
        {dbmAllowTimer, dbmArrowKeys, dbmArrowWrap, dbmEnterNext, dbmPosClick, dbmPosMove}));
    d->SetMin(min);
    d->SetMax(max);
    d->SetPosition(pos);
    d->FocusColor = focus;
    SetHint(d, hint);
    return d;
  };
  DigitBar1 = digitBar(24, MinFrameRate, MaxFrameRate, 15, VideoColumn, " 動画のﾌﾚｰﾑﾚｰﾄ");
  DigitBar2 = digitBar(104, MinVideoKbps, MaxVideoKbps, 384, VideoColumn, " 動画のﾋﾞｯﾄﾚｰﾄ");

  auto trackBar = [&](TTrackBarOrientation orientation, int left, int top, int width, int height,
                      int max, int pos, int thumbLength) {
    auto* t = new TTrackBar(Panel5);
    t->BeginLoading();
    t->SetOrientation(orientation);
    Place(t, left, top, width, height);
    t->SetRange(0, max);
    t->SetPosition(pos);
    t->SetPageSize(1);
    t->SetFrequency(1);
    t->SetTickStyle(tsAuto);
    t->SetTickMarks(tmTopLeft);
    t->SetThumbLength(thumbLength);
    t->setCursor(Qt::PointingHandCursor);
    return t;
  };
  TrackBar1 = trackBar(trVertical, 224, 8, 40, 140, 3, 3, 30);
  SetHint(TrackBar1, " 音声のｻﾝﾌﾟﾙﾚｰﾄ");

  DigitBar3 = digitBar(300, MinAudioKbps, MaxAudioKbps, 64, AudioColumn, " 音声のﾋﾞｯﾄﾚｰﾄ");

  // The layout leaves this one's thumb length at the platform's default.
  TrackBar2 = trackBar(trHorizontal, 64, 200, 284, 30, 5, 1, 20);
  SetHint(TrackBar2, " 動画のｻｲｽﾞ");

  struct ShadowText {
    const char* name;
    int left, top, width;
    const char* caption;
    bool right;
  };
  const ShadowText shadows[] = {
      {"L2_03_01", 8, 152, 75, "動画ﾌﾚｰﾑﾚｰﾄ", false},
      {"ShadowLabel4", 92, 152, 69, "動画ﾋﾞｯﾄﾚｰﾄ", false},
      {"ShadowLabel5", 184, 152, 79, "音声ｻﾝﾌﾟﾙﾚｰﾄ", false},
      {"ShadowLabel6", 288, 152, 69, "音声ﾋﾞｯﾄﾚｰﾄ", false},
      {"ShadowLabel2", 32, 164, 24, "(fps)", false},
      {"ShadowLabel7", 108, 164, 32, "(kbps)", false},
      {"ShadowLabel8", 212, 164, 22, "(Hz)", false},
      {"ShadowLabel9", 304, 164, 32, "(kbps)", false},
      {"ShadowLabel3", 32, 216, 34, "ｻｲｽﾞ-", true},
  };
  for (const auto& s : shadows)
    AddShadowLabel(Panel5, s.name, s.left, s.top, s.width, s.caption, s.right);

  struct PlainText {
    const char* caption;
    int left, top, width;
  };
  const PlainText plain[] = {
      {"48000Hz", 182, 18, 42},  {"44100Hz", 182, 54, 42},  {"41000Hz", 182, 91, 42},
      {"24000Hz", 182, 126, 42}, {"160x120", 55, 192, 41},  {"320x240", 107, 192, 41},
      {"640x480", 159, 192, 41}, {"368x208", 212, 192, 41}, {"480x272", 264, 192, 41},
      {"720x480", 316, 192, 41},
  };
  for (const auto& t : plain) {
    auto* l = new TStaticLabel(Panel5, t.caption);
    Place(l, t.left, t.top, t.width, 11);
    l->Font().Assign(MakeFont(Gothic, 11, TextColor));
    l->Alignment = taRightJustify;
    l->AdjustBounds();
  }

  auto* bevel1 = new TBevelLine(Panel5, true);
  Place(bevel1, 168, 16, 4, 153);
  auto* bevel2 = new TBevelLine(Panel5, false);
  Place(bevel2, 8, 181, 345, 4);
}

void TMainForm1::AddShadowLabel(QWidget* parent, const char* name, int left, int top, int width,
                                const char* caption, bool rightAligned) {
  auto* l = new TShadowLabel(parent);
  l->setObjectName(name);
  l->BeginLoading();
  Place(l, left, top, width, 11);
  l->SetAutoSize(false);
  l->SetCaption(caption);
  l->SetAlignment(rightAligned ? taRightJustify : taLeftJustify);
  l->SetLayout(tlCenter);
  l->SetTransparent(true);
  l->Font().Assign(MakeFont(Gothic, 11, TextColor, true));
  l->SetEllipsis(elNone);
  l->SetGradation(true);
  l->SetGradateVert(true);
  l->SetGradationColor(clBlack);
  l->SetColor(clBlack);
  l->SetTextGradation(tgNone);
  l->SetTextGradationColor(16744448);
  l->SetTextMidColor(clBlack);
  l->Highlight().SetShadowVisible(false);
  l->Highlight().SetShadowColor(clWhite);
  l->Highlight().SetShadowLeft(-1);
  l->Highlight().SetShadowTop(-1);
  l->EndLoading();
  ShadowLabels.push_back(l);
}

void TMainForm1::CreateOutputPanel() {
  AddShadowLabel(Panel3, "L1_01", 8, 12, 43, "保存先-", true);

  C1_03 = new TKitBrowseEdit(Panel3);
  Place(C1_03, 54, 8, 326, 19);
  C1_03->setCursor(Qt::PointingHandCursor);
  C1_03->Font().Assign(MakeFont(Gothic, 11, TextColor));
  C1_03->StartWithLast = true;
  C1_03->SetCaretBlinkRate(200);
  SetHint(C1_03, " 保存先のﾌｫﾙﾀﾞ");
  C1_03->OnChange = [this](TControl*) { C1_03Change(); };
  connect(C1_03->Editor(), &QLineEdit::editingFinished, this, [this] {
    DropTrailingSeparator();
    SetHint(C1_03, C1_03->Text());
  });

  auto checkBox = [&](const char* caption, int top, int width, const char* hint) {
    auto* c = new TCheckBox(Q(caption), Panel3);
    Place(c, 54, top, width, 12);
    c->setCursor(Qt::PointingHandCursor);
    c->setFont(QtFont(Gothic, 12));
    SetTextColor(c, TextColor);
    SetHint(c, hint);
    return c;
  };
  CheckBox1 = checkBox("2パスエンコード(変換時間2倍)", 32, 180, " 2ﾊﾟｽｴﾝｺｰﾄﾞの有無");
  CheckBox2 = checkBox("           秒目のサムネイル画像を生成", 52, 220, " ｻﾑﾈｲﾙ画像生成の有無");
  CheckBox2->setChecked(true);
  connect(CheckBox2, &QCheckBox::toggled, this, [this] { Guarded([this] { CheckBox2Click(); }); });

  SpinEdit1 = new TKitSpinEdit(Panel3);
  Place(SpinEdit1, 71, 48, 40, 20);
  SpinEdit1->SetMinValue(0);
  SpinEdit1->SetMaxValue(60);
  SpinEdit1->SetValue(1);
  SetHint(SpinEdit1, " ｻﾑﾈｲﾙ画像生成の有無");
  // The caption's blanks lie under the spin edit: its text starts past it.
  static_cast<TCheckBox*>(CheckBox2)->TextLeft =
      SpinEdit1->x() + SpinEdit1->width() + 2 - CheckBox2->x();

  Button0 = new QPushButton("変換", Panel3);
  Place(Button0, 292, 32, 75, 17);
  Button0->hide();
  connect(Button0, &QPushButton::clicked, this, [this] { Guarded([this] { Button0Click(); }); });

  DriveComboBox1 = new QComboBox(Panel3);
  Place(DriveComboBox1, 296, 8, 60, 18);
  DriveComboBox1->hide();

  auto startButton = [&](const char* caption, int left, const char* hint) {
    auto* b = new TPCVFadeButton(Panel3);
    Place(b, left, 72, 172, 40);
    b->SetCaption(caption);
    b->Font().Assign(MakeFont(Gothic, 12, clWhite, true));
    b->SetColor(clSilver);
    b->SetFadeOnOver(false);
    b->SetFadeOnLeave(false);
    b->SetBorderHeight(2);
    b->setCursor(Qt::PointingHandCursor);
    b->setEnabled(false);
    SetHint(b, hint);
    return b;
  };
  Button10 = startButton("[ 変換開始 ]", 20, " 変換後⇒ﾌｧｲﾙ保存");
  Button10->OnClick = [this](TControl*) { Guarded([this] { Button10Click(); }); };
  Button11 = startButton("[ 変換後 PSP(MS)転送 ]", 198, " 変換後⇒PSP(MemoryStick)転送");
  Button11->OnClick = [this](TControl*) { Guarded([this] { Button11Click(); }); };
}

// ---------------------------------------------------------------- surface

void TMainForm1::paintEvent(QPaintEvent*) {
  QImage image(size(), QImage::Format_RGB32);
  Canvas c(&image);
  c.Brush.Color = clBlack;
  c.FillRect(Bounds(0, 0, width(), height()));
  auto shape = [&](int l, int t, int w, int h, TColor fill, TColor pen, int penWidth) {
    // A shape's outline lies inside its bounds whatever the pen width.
    c.Brush.Color = fill;
    c.Brush.Style = bsSolid;
    c.FillRect(Bounds(l, t, w, h));
    c.Brush.Color = pen;
    for (int i = 0; i < penWidth; ++i) c.FrameRect(Bounds(l + i, t + i, w - 2 * i, h - 2 * i));
  };
  shape(0, 0, 400, 25, clSilver, clBlack, 1);      // Shape9, the title strip
  c.Font = MakeFont("Tahoma", 12, clWhite, true);  // Label1
  c.Brush.Style = bsClear;
  TRect title = Bounds(8, 6, 164, 14);
  c.DrawText("◆ Tarnick ver.4.2", title, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT);
  shape(0, 23, 400, 547, clWhite, clGray, 2);       // Shape0, the body
  shape(8, 32, 386, 160, clSilver, clSilver, 1);    // Shape1, Panel1's shadow
  shape(8, 444, 386, 118, clSilver, clSilver, 1);   // Shape3, Panel3's shadow
  shape(18, 198, 366, 240, clSilver, clSilver, 1);  // Shape2, Panel5's shadow
  QPainter p(this);
  p.drawImage(0, 0, image);
}

// A press on the bare surface moves the window, as a caption would. The
// panels take their own presses, so they never get here.
void TMainForm1::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
  QWindow* handle = windowHandle();
  if (handle && handle->startSystemMove()) return;
  FDragging = true;
  FDragOffset = e->globalPosition().toPoint() - pos();
}

void TMainForm1::mouseMoveEvent(QMouseEvent* e) {
  if (FDragging && (e->buttons() & Qt::LeftButton))
    move(e->globalPosition().toPoint() - FDragOffset);
}

void TMainForm1::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) FDragging = false;
  QWidget::mouseReleaseEvent(e);
}

// ---------------------------------------------------------------- events

void TMainForm1::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (...) {
    ShowException(std::current_exception());
  }
}

bool TMainForm1::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) {
    FActivationSeen = true;
    ActivateGuarded();
  }
  return QWidget::event(e);
}

void TMainForm1::ActivateGuarded() {
  try {
    FormActivate();
    FLastLoadError.clear();
  } catch (const Exception& e) {
    if (e.Message() == FLastLoadError) return;
    FLastLoadError = e.Message();
    ShowException(std::current_exception());
  } catch (...) {
    ShowException(std::current_exception());
  }
}

void TMainForm1::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  // Without a window manager no activation may ever come; the settings and
  // the command line are taken at start all the same.
  QTimer::singleShot(0, this, [this] {
    if (!FActivationSeen) ActivateGuarded();
  });
}

void TMainForm1::closeEvent(QCloseEvent* e) {
  // Quitting must never leave an encoder running or a batch half done.
  if (FBatchRunning || !FormClose()) {
    e->ignore();
    return;
  }
  e->accept();
}

void TMainForm1::FormActivate() {
  LoadSettings(*this, FOptions.SettingsFile);
}

bool TMainForm1::FormClose() {
  try {
    SaveSettings(*this, FOptions.SettingsFile);
    return true;
  } catch (...) {
    ShowException(std::current_exception());
    return false;
  }
}

namespace {

// The files are read, never taken: a drop answers Copy (or Link), never
// Move, so no drag source deletes what it offered.
void AcceptAsCopy(QDropEvent* e) {
  const Qt::DropActions offered = e->possibleActions();
  if (offered & Qt::CopyAction)
    e->setDropAction(Qt::CopyAction);
  else if (offered & Qt::LinkAction)
    e->setDropAction(Qt::LinkAction);
  else
    return e->ignore();
  e->accept();
}

}  // namespace

void TMainForm1::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) AcceptAsCopy(e);
}

void TMainForm1::dragMoveEvent(QDragMoveEvent* e) {
  if (e->mimeData()->hasUrls()) AcceptAsCopy(e);
}

void TMainForm1::dropEvent(QDropEvent* e) {
  std::vector<std::string> paths;
  for (const QUrl& url : e->mimeData()->urls())
    if (url.isLocalFile()) paths.push_back(LocalPathBytes(url));
  AcceptAsCopy(e);
  if (!e->isAccepted()) return;
  Guarded([&] { TakeDroppedPaths(paths); });
}

// ---------------------------------------------------------------- handlers

void TMainForm1::Button1Click() {
  close();
}

void TMainForm1::Button2Click() {
  showMinimized();
}

void TMainForm1::Button3Click() {
  FOptions.Open(FPlaces.ReadmeFile, true);
}

void TMainForm1::Button4Click() {
  FOptions.Open(InfoPageAddress(*FOptions.ProgramPath), false);
}

void TMainForm1::Button5Click() {
  FSources.clear();
  FTaken.clear();
  ListBox1->clear();
  Panel11->show();
  Button10->setEnabled(false);
  Button11->setEnabled(false);
}

void TMainForm1::C2_00Change() {
  ApplySelectedPreset(*this);
}

void TMainForm1::ApplyPreset() {
  if (C2_00->Items().Count() < 2) return;
  C2_00Change();
}

void TMainForm1::C1_03Change() {
  // While the user types, a separator just typed is the start of the next
  // folder's name, not a trailing one: it is dropped when the typing ends.
  if (!C1_03->Editor()->hasFocus()) DropTrailingSeparator();
  SetHint(C1_03, C1_03->Text());
}

void TMainForm1::DropTrailingSeparator() {
  std::string text = C1_03->Text();
  // One separator goes; the nested change takes the next. A root stays.
  if (EndsWithSeparator(NativePathStyle, text) && text != "/") {
    text.pop_back();
    C1_03->SetText(text);
    if (C1_03->Editor()->hasFocus()) DropTrailingSeparator();
  }
}

void TMainForm1::CheckBox2Click() {
  SpinEdit1->setEnabled(CheckBox2->isChecked());
}

void TMainForm1::Button10Click() {
  // Pressing a start button takes no focus, so a typed folder ends here.
  DropTrailingSeparator();
  SetHint(C1_03, C1_03->Text());
  Button0Click();
}

void TMainForm1::Button11Click() {
  // The Memory Stick transfer: points the output at the PSP, then the batch.
  // The drive list is rebuilt from the volumes mounted now, and tested in
  // its order.
  std::vector<std::string> roots = CurrentVolumeSource().VolumeRoots();
  DriveComboBox1->clear();
  for (const std::string& root : roots) DriveComboBox1->addItem(QString::fromStdString(root));
  struct Target : IPspTransferTarget {
    TMainForm1& form;
    explicit Target(TMainForm1& f) : form(f) {}
    void SetOutputFolder(const std::string& folder) override { form.SetOutputFolder(folder); }
    void RunBatch() override { form.Button0Click(); }
    void Beep() override { MessageBeep(0); }
    void ShowMessage(const std::string& text) override { tarnick::ShowMessage(text); }
  } target(*this);
  FolderVolumeSource listed(std::move(roots));
  TransferToPsp(listed, target);
}

void TMainForm1::SearchFile1Find(TSearchFile*, const std::string& Name, bool&) {
  AddSource(Name);
}

void TMainForm1::TakeDroppedPaths(const std::vector<std::string>& paths) {
  for (const auto& p : paths) TakeOnePath(p);
  FillSourceList();
}

void TMainForm1::TakeSourcePath(const std::string& path) {
  TakeOnePath(path);
  FillSourceList();
}

void TMainForm1::TakeCommandLine() {
  for (const auto& arg : *FOptions.Arguments) TakeOnePath(arg);
  FillSourceList();
}

void TMainForm1::TakeOnePath(const std::string& path) {
  struct Fill {
    TMainForm1& form;
    // Whatever happens inside, what was found reaches the list.
    ~Fill() {
      try {
        form.FillSourceList();
      } catch (...) {
      }
    }
  };
  Fill fill{*this};
  tarnick::TakeSourcePath(*this, NativePathStyle, path);
}

// Sorted once and merged into the list, the list box filled in one go: a
// folder of 100,000 files costs one sort, not 100,000 inserts and repaints.
// The order is that of one insert at a time: a new path goes after the
// equal ones already there and after equal ones found before it.
void TMainForm1::FillSourceList() {
  if (FTaken.empty()) return;
  std::vector<std::string> taken = std::move(FTaken);
  FTaken.clear();
  std::vector<QString> keys;
  keys.reserve(taken.size());
  for (const auto& t : taken) keys.push_back(Q(t));
  std::vector<std::size_t> order(taken.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return CompareSourcePaths(taken[a], taken[b]) < 0;
  });

  const int current = ListBox1->currentRow();
  int newCurrent = -1;
  std::vector<std::string> merged;
  merged.reserve(FSources.size() + taken.size());
  QStringList labels;
  labels.reserve(static_cast<qsizetype>(FSources.size() + taken.size()));
  std::size_t old = 0;
  for (std::size_t k = 0; k <= order.size(); ++k) {
    // The old entries that sort before or with the next new one go first.
    while (old < FSources.size() &&
           (k == order.size() || CompareSourcePaths(FSources[old], taken[order[k]]) <= 0)) {
      if (static_cast<int>(old) == current) newCurrent = static_cast<int>(merged.size());
      labels << Q(FSources[old]);
      merged.push_back(std::move(FSources[old++]));
    }
    if (k == order.size()) break;
    labels << keys[order[k]];
    merged.push_back(std::move(taken[order[k]]));
  }
  FSources = std::move(merged);
  ListBox1->setUpdatesEnabled(false);
  ListBox1->clear();
  ListBox1->addItems(labels);
  if (newCurrent >= 0) ListBox1->setCurrentRow(newCurrent);
  ListBox1->setUpdatesEnabled(true);
}

// ---------------------------------------------------------------- sources

EntryKind TMainForm1::LookUpEntry(const std::string& path) {
  auto entry = LookupEntry(path);
  if (!entry) return EntryKind::None;
  return entry->IsDirectory ? EntryKind::Folder : EntryKind::File;
}

void TMainForm1::SearchFolder(const std::string& folder) {
  SearchFile1->SetDirectory(folder);
  SearchFile1->SetSearchName("*.*");
  SearchFile1->Search();
}

void TMainForm1::AddSource(const std::string& path) {
  FTaken.push_back(path);
}

int TMainForm1::SourceCount() const {
  return static_cast<int>(FSources.size() + FTaken.size());
}

std::string TMainForm1::SourceAt(int index) const {
  return FSources.at(static_cast<std::size_t>(index));
}

void TMainForm1::ShowSourcesPresent() {
  Panel11->hide();
  Button10->setEnabled(true);
  Button11->setEnabled(true);
}

// ---------------------------------------------------------------- controls

int TMainForm1::PresetItemIndex() const {
  return C2_00->ItemIndex();
}
void TMainForm1::SetPresetItemIndex(int index) {
  C2_00->SetItemIndex(index);
}
void TMainForm1::SetPresetTargetColumn(int column) {
  C2_00->SetTargetColumn(column);
}
std::string TMainForm1::PresetSelectedText() const {
  return C2_00->GetSelectedText();
}
int TMainForm1::CodecCount() const {
  return C2_04->Items().Count();
}
std::string TMainForm1::CodecItemText(int index) const {
  return C2_04->Items()[index];
}
void TMainForm1::SetCodecItemIndex(int index) {
  C2_04->SetItemIndex(index);
}
int TMainForm1::SizePosition() const {
  return TrackBar2->Position();
}
void TMainForm1::SetSizePosition(int index) {
  TrackBar2->SetPosition(index);
}
int TMainForm1::FrameRatePosition() const {
  return DigitBar1->Position();
}
void TMainForm1::SetFrameRatePosition(int fps) {
  DigitBar1->SetPosition(fps);
}
int TMainForm1::VideoKbpsPosition() const {
  return DigitBar2->Position();
}
void TMainForm1::SetVideoKbpsPosition(int kbps) {
  DigitBar2->SetPosition(kbps);
}
int TMainForm1::SampleRatePosition() const {
  return TrackBar1->Position();
}
void TMainForm1::SetSampleRatePosition(int index) {
  TrackBar1->SetPosition(index);
}
int TMainForm1::AudioKbpsPosition() const {
  return DigitBar3->Position();
}
void TMainForm1::SetAudioKbpsPosition(int kbps) {
  DigitBar3->SetPosition(kbps);
}

int TMainForm1::Left() const {
  return x();
}
void TMainForm1::SetLeft(int x) {
  move(x, y());
}
int TMainForm1::Top() const {
  return y();
}
void TMainForm1::SetTop(int y) {
  move(x(), y);
}

std::string TMainForm1::OutputFolder() const {
  return C1_03->Text();
}
void TMainForm1::SetOutputFolder(const std::string& path) {
  C1_03->SetText(path);
}
bool TMainForm1::TwoPass() const {
  return CheckBox1->isChecked();
}
void TMainForm1::SetTwoPass(bool on) {
  CheckBox1->setChecked(on);
}
bool TMainForm1::SideThumbnail() const {
  return CheckBox2->isChecked();
}
void TMainForm1::SetSideThumbnail(bool on) {
  CheckBox2->setChecked(on);
}
int TMainForm1::ThumbnailSecond() const {
  return SpinEdit1->GetValue();
}
void TMainForm1::SetThumbnailSecond(int second) {
  SpinEdit1->SetValue(second);
}

ConversionSettings TMainForm1::ReadConversionSettings() const {
  ConversionSettings s;
  s.SizeIndex = SizePosition();
  int codec = C2_04->ItemIndex();
  // Without any preset no codec was ever chosen: the list's first one.
  s.VideoCodec = CodecItemText(codec >= 0 ? codec : 0);
  s.VideoKbps = VideoKbpsPosition();
  s.FrameRate = FrameRatePosition();
  s.SampleRateIndex = SampleRatePosition();
  s.AudioKbps = AudioKbpsPosition();
  s.TwoPass = TwoPass();
  s.SideThumbnail = SideThumbnail();
  s.ThumbnailSecond = ThumbnailSecond();
  s.OutputFolder = OutputFolder();
  return s;
}

BatchResult TMainForm1::Button0Click() {
  if (FBatchRunning) return BatchResult{};
  // A replaced progress view (tests), else the progress window.
  std::unique_ptr<IProgressView> progress =
      FOptions.ProgressView ? FOptions.ProgressView(*this) : nullptr;
  FBatchRunning = true;
  struct Running {
    bool& flag;
    ~Running() { flag = false; }
  } running{FBatchRunning};
  return FBatch->Run(*this, progress.get());
}

}  // namespace tarnick
