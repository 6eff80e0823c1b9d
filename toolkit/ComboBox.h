#pragma once

#include <QComboBox>
#include <QImage>

#include <functional>
#include <string>

#include "toolkit/Canvas.h"
#include "toolkit/Graphics.h"

namespace tarnick {

// Owner-draw states of an item paint.
inline constexpr unsigned ODS_SELECTED = 0x1;
inline constexpr unsigned ODS_FOCUS = 0x10;
inline constexpr unsigned ODS_COMBOBOXEDIT = 0x1000;

enum TComboBoxStyle { csDropDown, csDropDownList };

class TCustomComboBox;

// The item list of a combo box; every change goes through the combo box's
// list messages (AddString, InsertString, ...), so a derived box sees them.
class TComboItems {
 public:
  explicit TComboItems(TCustomComboBox& owner) : FOwner(owner) {}
  int Add(const std::string& text);
  void Insert(int index, const std::string& text);
  void Delete(int index);
  void Clear();
  int Count() const;
  // The item text query; raises Exception for a position outside the list.
  std::string Get(int index) const;
  std::string operator[](int index) const { return Get(index); }
  // The first item whose shown text equals text, or -1.
  int IndexOf(const std::string& text) const;

 private:
  TCustomComboBox& FOwner;
};

// The toolkit's drop-down list: an owner-drawn list of fixed-height items
// on Qt's combo box. The selection field and every line of the open list
// are painted through the canvas by DrawItem.
class TCustomComboBox : public QComboBox {
 public:
  explicit TCustomComboBox(QWidget* parent = nullptr);
  ~TCustomComboBox() override;

  TComboItems& Items() { return FItems; }
  const TComboItems& Items() const { return FItems; }
  int ItemIndex() const { return currentIndex(); }
  // A position outside the list selects nothing.
  void SetItemIndex(int index);
  std::string Text() const { return currentText().toStdString(); }

  TComboBoxStyle Style() const { return isEditable() ? csDropDown : csDropDownList; }
  void SetStyle(TComboBoxStyle style);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int height);
  int DropDownCount() const { return maxVisibleItems(); }
  void SetDropDownCount(int count) { setMaxVisibleItems(count); }
  // The width of the open list (never narrower than the control).
  int DroppedWidth() const { return FDroppedWidth; }
  void SetDroppedWidth(int width);

  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  void SetFont(const TFont& font) { FFont.Assign(font); }
  TColor Color() const { return FColor; }
  void SetColor(TColor color);

  void SetBounds(int left, int top, int w, int h) { setGeometry(left, top, w, h); }
  void SetHint(const std::string& hint) { setToolTip(QString::fromStdString(hint)); }

  Canvas& GetCanvas() { return FCanvas; }

  std::function<void(TCustomComboBox*)> OnChange;
  std::function<void(TCustomComboBox*)> OnDropDown;

  // List messages: the native list's own handling. A derived box overrides
  // them to keep data in step with the items.
  virtual int AddString(const std::string& text);
  virtual int InsertString(int index, const std::string& text);
  virtual int DeleteString(int index);
  virtual void ResetContent();
  // The item text into out; answers its length, or -1 for a bad position.
  virtual int GetLBText(int index, std::string& out) const;
  virtual int GetItemHeight(int index) const;

  // Paints item `index` (-1: none) the way the native list prepares an
  // owner-draw paint: font, background brush, highlight when selected,
  // DrawItem, focus rectangle.
  void PaintItem(QImage& image, int index, const TRect& rect, unsigned state);
  // The control as it shows now, and one line of the open list.
  QImage Snapshot();
  QImage PaintListItem(int index, int width, bool selected);
  // The rectangle of the selection field.
  TRect FieldRect() const;

  void showPopup() override;

 protected:
  virtual void DrawItem(int index, const TRect& rect, unsigned state);
  virtual void DropDown();
  virtual void Change();
  virtual void CMColorChanged() { update(); }
  virtual void CMFontChanged() { update(); }

  void paintEvent(QPaintEvent* e) override;

 private:
  void Render(QImage& image);
  TComboItems FItems;
  TFont FFont;
  TColor FColor = clWindow;
  int FItemHeight = 16;
  int FDroppedWidth = 0;
  Canvas FCanvas;
};

}  // namespace tarnick
