#include "controls/Mccbox.h"

#include <QLineEdit>

#include <exception>

#include "engine/CommaText.h"

namespace tarnick {

namespace {
// Painting and column queries never fail: a line that does not split has
// no columns.
std::vector<std::string> SplitColumns(const std::string& line) {
  try {
    return SplitCommaText(line);
  } catch (...) {
    return {};
  }
}

// The native item shows the target column. A failing split still adds the
// line (the list stays in step) and is raised after.
std::exception_ptr ShownColumn(const std::string& line, std::size_t column, std::string& shown) {
  try {
    const std::vector<std::string> cols = SplitCommaText(line);
    if (column < cols.size()) shown = cols[column];
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}
}  // namespace

TCBColumn::TCBColumn(TCBColumns* collection) : FCollection(collection) {
  FFont.OnChange = [this] {
    FParentFont = false;
    Changed();
  };
  TakeControlColor();
  TakeControlFont();
}

TCBColumn::~TCBColumn() {
  FFont.OnChange = nullptr;
}

TMultiColComboBox* TCBColumn::Control() const {
  return FCollection ? FCollection->GetOwner() : nullptr;
}

void TCBColumn::Changed() {
  if (TMultiColComboBox* c = Control()) c->update();
}

void TCBColumn::SetWidth(int value) {
  if (value == FWidth) return;
  FWidth = value;
  Changed();
}

void TCBColumn::SetColor(TColor value) {
  if (value == FColor) return;
  FColor = value;
  FParentColor = false;
  Changed();
}

void TCBColumn::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Changed();
}

void TCBColumn::SetFont(const TFont& value) {
  FFont.Assign(value);
  FParentFont = false;
}

void TCBColumn::SetParentColor(bool value) {
  if (value == FParentColor) return;
  FParentColor = value;
  if (value) TakeControlColor();
}

void TCBColumn::SetParentFont(bool value) {
  if (value == FParentFont) return;
  FParentFont = value;
  if (value) TakeControlFont();
}

void TCBColumn::TakeControlColor() {
  if (TMultiColComboBox* c = Control(); c && c->Color() != FColor) {
    FColor = c->Color();
    Changed();
  }
}

void TCBColumn::TakeControlFont() {
  TMultiColComboBox* c = Control();
  if (!c) return;
  // Following the control's font leaves ParentFont as it is.
  auto handler = std::move(FFont.OnChange);
  FFont.Assign(c->Font());
  FFont.OnChange = std::move(handler);
  Changed();
}

void TCBColumn::Assign(const TCBColumn& source) {
  if (&source == this) return;
  SetWidth(source.FWidth);
  SetColor(source.FColor);
  SetAlignment(source.FAlignment);
  SetFont(source.FFont);
  SetParentColor(source.FParentColor);
  SetParentFont(source.FParentFont);
}

void TCBColumn::DrawColumn(TMultiColComboBox& control, const TRect& rect, const std::string& text,
                           bool selected) const {
  Canvas& c = control.GetCanvas();
  if (!selected) {
    c.Brush.Color = FColor;
    c.Font = FFont;
  } else {
    const TColor keep = c.Font.Color();
    c.Font = FFont;
    c.Font.SetColor(keep);
  }
  c.Brush.Style = bsSolid;
  c.FillRect(rect);
  TRect r = rect;
  if (FAlignment == taRightJustify)
    r.Right -= control.Indent();
  else
    r.Left += control.Indent();
  const unsigned align = FAlignment == taRightJustify ? DT_RIGHT
                         : FAlignment == taCenter     ? DT_CENTER
                                                      : DT_LEFT;
  c.DrawText(text, r, DT_SINGLELINE | DT_VCENTER | align);
}

TCBColumn& TCBColumns::Add() {
  FItems.push_back(std::make_unique<TCBColumn>(this));
  if (FOwner) FOwner->update();
  return *FItems.back();
}

void TCBColumns::Clear() {
  FItems.clear();
  if (FOwner) FOwner->update();
}

void TCBColumns::Assign(const TCBColumns& source) {
  if (&source == this) return;
  FItems.clear();
  for (const auto& col : source.FItems) Add().Assign(*col);
}

TMultiColComboBox::TMultiColComboBox(QWidget* parent) : TCustomComboBox(parent), FColumns(this) {
  FColumns.Add();
  SetItemHeight(15);
  connect(this, &QComboBox::currentIndexChanged, this, [this](int) { update(); });
}

TMultiColComboBox::~TMultiColComboBox() = default;

void TMultiColComboBox::SetColumns(const TCBColumns& columns) {
  FColumns.Assign(columns);
}

void TMultiColComboBox::SetIndent(int value) {
  if (value == FIndent) return;
  FIndent = value;
  update();
}

int TMultiColComboBox::AddString(const std::string& line) {
  std::string shown;
  const std::exception_ptr failure = ShownColumn(line, FTargetColumn, shown);
  FLines.push_back(line);
  const int answer = TCustomComboBox::AddString(shown);
  if (failure) std::rethrow_exception(failure);
  return answer;
}

int TMultiColComboBox::InsertString(int index, const std::string& line) {
  std::string shown;
  const std::exception_ptr failure = ShownColumn(line, FTargetColumn, shown);
  const int at = index < 0 ? count() : index;
  if (at > count()) {
    if (failure) std::rethrow_exception(failure);
    return -1;
  }
  FLines.insert(FLines.begin() + at, line);
  const int answer = TCustomComboBox::InsertString(at, shown);
  if (failure) std::rethrow_exception(failure);
  return answer;
}

int TMultiColComboBox::DeleteString(int index) {
  if (index >= 0 && index < int(FLines.size())) FLines.erase(FLines.begin() + index);
  return TCustomComboBox::DeleteString(index);
}

void TMultiColComboBox::ResetContent() {
  FLines.clear();
  TCustomComboBox::ResetContent();
}

int TMultiColComboBox::GetLBText(int index, std::string& out) const {
  std::string shown;
  const int native = TCustomComboBox::GetLBText(index, shown);
  if (native < 0) return native;
  // Lines are delivered whole, whatever their length.
  out = FLines[size_t(index)];
  return int(out.size());
}

int TMultiColComboBox::GetItemHeight(int) const {
  return ItemHeight();
}

std::string TMultiColComboBox::GetColumnText(int index, int column) const {
  if (index < 0 || index >= int(FLines.size()) || column < 0) return std::string();
  const std::vector<std::string> cols = SplitColumns(FLines[size_t(index)]);
  return column < int(cols.size()) ? cols[size_t(column)] : std::string();
}

std::string TMultiColComboBox::GetSelectedText() const {
  if (CanEdit() && lineEdit() && lineEdit()->isModified()) return lineEdit()->text().toStdString();
  return GetColumnText(ItemIndex(), FTargetColumn);
}

void TMultiColComboBox::DrawItem(int index, const TRect& rect, unsigned state) {
  Canvas& c = GetCanvas();
  FSelectionField = (state & ODS_COMBOBOXEDIT) != 0;
  if (FSelectionField) {
    c.FillRect(rect);
    // The text cell reaches below the field: clip it to the item.
    c.ExtTextOut(rect.Left + 2, rect.Top + 2, ETO_CLIPPED, &rect, GetSelectedText());
    return;
  }
  const std::vector<std::string> cols = index >= 0 && index < int(FLines.size())
                                            ? SplitColumns(FLines[size_t(index)])
                                            : std::vector<std::string>{};
  const bool selected = (state & ODS_SELECTED) != 0;
  int x = rect.Left;
  for (int i = 0; i < FColumns.Count(); ++i) {
    const TCBColumn& col = FColumns[i];
    TRect cell{x, rect.Top, std::min(x + col.Width(), rect.Right), rect.Bottom};
    if (cell.Right < cell.Left) cell.Right = cell.Left;
    col.DrawColumn(*this, cell, i < int(cols.size()) ? cols[size_t(i)] : std::string(), selected);
    x += col.Width();
  }
  if (x < rect.Right) c.FillRect(TRect{x, rect.Top, rect.Right, rect.Bottom});
}

void TMultiColComboBox::DropDown() {
  TCustomComboBox::DropDown();
  int width = 0;
  for (int i = 0; i < FColumns.Count(); ++i) width += FColumns[i].Width();
  SetDroppedWidth(width);
}

void TMultiColComboBox::CMColorChanged() {
  TCustomComboBox::CMColorChanged();
  for (int i = 0; i < FColumns.Count(); ++i)
    if (FColumns[i].ParentColor()) FColumns[i].TakeControlColor();
}

void TMultiColComboBox::CMFontChanged() {
  TCustomComboBox::CMFontChanged();
  for (int i = 0; i < FColumns.Count(); ++i)
    if (FColumns[i].ParentFont()) FColumns[i].TakeControlFont();
}

}  // namespace tarnick
