#include "toolkit/ComboBox.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

#include "engine/Exception.h"

namespace tarnick {

namespace {

// Paints the open list's lines through the combo box's DrawItem.
class ItemDelegate : public QStyledItemDelegate {
 public:
  explicit ItemDelegate(TCustomComboBox* box) : QStyledItemDelegate(box), FBox(box) {}

  void paint(QPainter* p, const QStyleOptionViewItem& opt,
             const QModelIndex& index) const override {
    if (opt.rect.isEmpty()) return;
    QImage img(opt.rect.size(), QImage::Format_RGB32);
    unsigned state = 0;
    if (opt.state & QStyle::State_Selected) state |= ODS_SELECTED;
    if (opt.state & QStyle::State_HasFocus) state |= ODS_FOCUS;
    FBox->PaintItem(img, index.row(), Rect(0, 0, img.width(), img.height()), state);
    p->drawImage(opt.rect.topLeft(), img);
  }

  QSize sizeHint(const QStyleOptionViewItem& opt, const QModelIndex& index) const override {
    return QSize(opt.rect.width(), FBox->GetItemHeight(index.row()));
  }

 private:
  TCustomComboBox* FBox;
};

constexpr int ButtonWidth = 17;

}  // namespace

int TComboItems::Add(const std::string& text) {
  return FOwner.AddString(text);
}

void TComboItems::Insert(int index, const std::string& text) {
  if (FOwner.InsertString(index, text) < 0)
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}

void TComboItems::Delete(int index) {
  if (FOwner.DeleteString(index) < 0)
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}

void TComboItems::Clear() {
  FOwner.ResetContent();
}

int TComboItems::Count() const {
  return FOwner.count();
}

std::string TComboItems::Get(int index) const {
  std::string out;
  if (FOwner.GetLBText(index, out) < 0)
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
  return out;
}

int TComboItems::IndexOf(const std::string& text) const {
  return FOwner.findText(QString::fromStdString(text), Qt::MatchExactly);
}

TCustomComboBox::TCustomComboBox(QWidget* parent) : QComboBox(parent), FItems(*this) {
  setItemDelegate(new ItemDelegate(this));
  setInsertPolicy(QComboBox::NoInsert);
  setMaxVisibleItems(8);
  FFont.OnChange = [this] {
    setFont(FFont.ToQFont());
    CMFontChanged();
  };
  setFont(FFont.ToQFont());
  connect(this, &QComboBox::activated, this, [this](int) { Change(); });
  SetStyle(csDropDown);
}

TCustomComboBox::~TCustomComboBox() {
  FFont.OnChange = nullptr;
}

void TCustomComboBox::SetItemIndex(int index) {
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

void TCustomComboBox::SetStyle(TComboBoxStyle style) {
  const bool editable = style == csDropDown;
  if (editable == isEditable()) return;
  setEditable(editable);
  if (editable && lineEdit()) {
    setInsertPolicy(QComboBox::NoInsert);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString&) { Change(); });
  }
  update();
}

void TCustomComboBox::SetItemHeight(int height) {
  if (height == FItemHeight) return;
  FItemHeight = height;
  if (view()) view()->doItemsLayout();
  update();
}

void TCustomComboBox::SetDroppedWidth(int width) {
  FDroppedWidth = width;
  if (view()) view()->setMinimumWidth(std::max(width, this->width()));
}

void TCustomComboBox::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  CMColorChanged();
}

// Qt selects the first item added to an empty list; the native list keeps
// nothing selected until told.
int TCustomComboBox::AddString(const std::string& text) {
  const int before = currentIndex();
  addItem(QString::fromStdString(text));
  if (before < 0 && currentIndex() >= 0) setCurrentIndex(-1);
  return count() - 1;
}

int TCustomComboBox::InsertString(int index, const std::string& text) {
  if (index < 0) index = count();
  if (index > count()) return -1;
  const int before = currentIndex();
  insertItem(index, QString::fromStdString(text));
  if (before < 0 && currentIndex() >= 0) setCurrentIndex(-1);
  return index;
}

int TCustomComboBox::DeleteString(int index) {
  if (index < 0 || index >= count()) return -1;
  // Deleting the selected item leaves nothing selected.
  const bool wasCurrent = index == currentIndex();
  removeItem(index);
  if (wasCurrent) setCurrentIndex(-1);
  return count();
}

void TCustomComboBox::ResetContent() {
  clear();
}

int TCustomComboBox::GetLBText(int index, std::string& out) const {
  if (index < 0 || index >= count()) return -1;
  out = itemText(index).toStdString();
  return int(out.size());
}

int TCustomComboBox::GetItemHeight(int) const {
  return FItemHeight;
}

void TCustomComboBox::DrawItem(int index, const TRect& rect, unsigned) {
  FCanvas.FillRect(rect);
  if (index >= 0 && index < count())
    FCanvas.TextOut(rect.Left + 2, rect.Top, itemText(index).toStdString());
}

void TCustomComboBox::PaintItem(QImage& image, int index, const TRect& rect, unsigned state) {
  FCanvas.SetTarget(&image);
  FCanvas.ClearClip();
  FCanvas.Font = FFont;
  FCanvas.Brush.Style = bsSolid;
  FCanvas.Brush.Color = FColor;
  FCanvas.Pen = TPen{};
  if (state & ODS_SELECTED) {
    FCanvas.Brush.Color = clHighlight;
    FCanvas.Font.SetColor(clHighlightText);
  }
  if (index < 0) {
    FCanvas.FillRect(rect);
  } else {
    DrawItem(index, rect, state);
  }
  if (state & ODS_FOCUS) FCanvas.DrawFocusRect(rect);
  FCanvas.SetTarget(nullptr);
}

TRect TCustomComboBox::FieldRect() const {
  return TRect{3, 3, width() - 2 - ButtonWidth - 1, height() - 3};
}

void TCustomComboBox::Render(QImage& image) {
  Canvas c(&image);
  const int w = image.width(), h = image.height();
  c.Brush.Color = FColor;
  c.FillRect(Rect(0, 0, w, h));
  c.DrawEdge(Rect(0, 0, w, h), EDGE_SUNKEN, BF_RECT);
  const TRect button{w - 2 - ButtonWidth, 2, w - 2, h - 2};
  c.Brush.Color = clBtnFace;
  c.FillRect(button);
  c.DrawEdge(button, EDGE_RAISED, BF_RECT);
  const TColor arrow = isEnabled() ? clBtnText : clGrayText;
  const int cx = (button.Left + button.Right) / 2, cy = (button.Top + button.Bottom) / 2 - 1;
  for (int row = 0; row < 4; ++row)
    for (int x = cx - 3 + row; x <= cx + 3 - row; ++x) c.SetPixel(x, cy + row, arrow);
  if (!isEditable()) {
    const bool dropped = view() && view()->isVisible();
    const unsigned state =
        ODS_COMBOBOXEDIT | (hasFocus() && !dropped ? ODS_SELECTED | ODS_FOCUS : 0u);
    PaintItem(image, currentIndex(), FieldRect(), state);
  }
}

QImage TCustomComboBox::Snapshot() {
  QImage img(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  Render(img);
  return img;
}

QImage TCustomComboBox::PaintListItem(int index, int width, bool selected) {
  QImage img(std::max(1, width), std::max(1, GetItemHeight(index)), QImage::Format_RGB32);
  PaintItem(img, index, Rect(0, 0, img.width(), img.height()), selected ? ODS_SELECTED : 0);
  return img;
}

void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::showPopup() {
  DropDown();
  const int wanted = std::max(FDroppedWidth, width());
  view()->setMinimumWidth(wanted);
  QComboBox::showPopup();
  if (QWidget* popup = view()->window(); popup && popup != window() && popup->width() < wanted)
    popup->resize(wanted, popup->height());
}

void TCustomComboBox::paintEvent(QPaintEvent*) {
  QImage img(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  Render(img);
  QPainter p(this);
  p.drawImage(0, 0, img);
}

}  // namespace tarnick
