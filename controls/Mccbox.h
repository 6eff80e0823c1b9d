#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/ComboBox.h"
#include "toolkit/Controls.h"

namespace tarnick {

class TMultiColComboBox;
class TCBColumns;

// One column of the open list: width, background, font and alignment.
class TCBColumn {
 public:
  explicit TCBColumn(TCBColumns* collection);
  ~TCBColumn();
  TCBColumn(const TCBColumn&) = delete;
  TCBColumn& operator=(const TCBColumn&) = delete;

  int Width() const { return FWidth; }
  void SetWidth(int value);
  TColor Color() const { return FColor; }
  // A different colour turns ParentColor off.
  void SetColor(TColor value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  // Setting the font (or changing it directly) turns ParentFont off.
  void SetFont(const TFont& value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);

  // Takes Width, Color, Alignment, Font, ParentColor and ParentFont.
  void Assign(const TCBColumn& source);
  // Paints one cell of a list line.
  void DrawColumn(TMultiColComboBox& control, const TRect& rect, const std::string& text,
                  bool selected) const;

  // Follow the control (at creation, on ParentColor/ParentFont, on the
  // control's colour or font change).
  void TakeControlColor();
  void TakeControlFont();

 private:
  TMultiColComboBox* Control() const;
  void Changed();
  TCBColumns* FCollection;
  int FWidth = 60;
  TColor FColor = clWindow;
  TAlignment FAlignment = taLeftJustify;
  TFont FFont;
  bool FParentColor = true;
  bool FParentFont = true;
};

// The columns, left to right; owned by the control.
class TCBColumns {
 public:
  explicit TCBColumns(TMultiColComboBox* owner) : FOwner(owner) {}
  TMultiColComboBox* GetOwner() const { return FOwner; }
  TCBColumn& Add();
  int Count() const { return int(FItems.size()); }
  TCBColumn& operator[](int i) { return *FItems[size_t(i)]; }
  const TCBColumn& operator[](int i) const { return *FItems[size_t(i)]; }
  void Clear();
  // Replaces the columns by copies of source's.
  void Assign(const TCBColumns& source);

 private:
  TMultiColComboBox* FOwner;
  std::vector<std::unique_ptr<TCBColumn>> FItems;
};

// A drop-down list of comma-text lines shown as rows of coloured cells;
// the closed field shows column TargetColumn of the selected line.
class TMultiColComboBox : public TCustomComboBox {
 public:
  explicit TMultiColComboBox(QWidget* parent = nullptr);
  ~TMultiColComboBox() override;

  TCBColumns& Columns() { return FColumns; }
  const TCBColumns& Columns() const { return FColumns; }
  void SetColumns(const TCBColumns& columns);
  int TargetColumn() const { return FTargetColumn; }
  void SetTargetColumn(int value) { FTargetColumn = std::uint8_t(value); }
  int Indent() const { return FIndent; }
  void SetIndent(int value);
  bool CanEdit() const { return Style() == csDropDown; }
  void SetCanEdit(bool value) { SetStyle(value ? csDropDown : csDropDownList); }

  // Column `column` of line `index`; empty for a bad position or a missing
  // column.
  std::string GetColumnText(int index, int column) const;
  // The typed text when editable and edited, else the target column of the
  // selected line.
  std::string GetSelectedText() const;
  // The whole lines, in item order.
  const std::vector<std::string>& Lines() const { return FLines; }

  int AddString(const std::string& line) override;
  int InsertString(int index, const std::string& line) override;
  int DeleteString(int index) override;
  void ResetContent() override;
  int GetLBText(int index, std::string& out) const override;
  int GetItemHeight(int index) const override;

 protected:
  void DrawItem(int index, const TRect& rect, unsigned state) override;
  void DropDown() override;
  void CMColorChanged() override;
  void CMFontChanged() override;

 private:
  TCBColumns FColumns;
  std::vector<std::string> FLines;
  std::uint8_t FTargetColumn = 0;
  int FIndent = 2;
  bool FSelectionField = false;
  bool FEdited = false;
};

}  // namespace tarnick
