#pragma once

#include <QCheckBox>
#include <string>

#include "toolkit/Controls.h"

namespace tarnick {

// Frame3D: top and left in `top`, bottom and right in `bottom`, then the
// rectangle shrinks by one on every side.
void Frame3D(Canvas& canvas, TRect& r, TColor top, TColor bottom);

// The toolkit's plain panel: a child window with up to two bevel frames,
// its colour and an optional centred caption. It takes the presses on its
// own surface, so the form is never dragged through it.
class TWinPanel : public TCustomControl {
 public:
  enum TBevelCut { bvNone, bvLowered, bvRaised };

  explicit TWinPanel(QWidget* parent);

  TBevelCut BevelOuter = bvRaised;
  TBevelCut BevelInner = bvNone;
  std::string Caption;

 protected:
  void Paint() override;
};

// The toolkit's label: text on its parent's colour.
class TStaticLabel : public TGraphicControl {
 public:
  TStaticLabel(QWidget* parent, const std::string& caption);
  std::string Caption;
  TAlignment Alignment = taLeftJustify;

  // The toolkit label's auto size: as wide as its text, a right-aligned
  // one keeping its right edge (substitute faces are wider than the
  // layout's own).
  void AdjustBounds();

 protected:
  void Paint() override;
};

// A lowered bevel line: a shadow line, then a highlight line beside it.
class TBevelLine : public TGraphicControl {
 public:
  TBevelLine(QWidget* parent, bool vertical);
  bool Vertical;

 protected:
  void Paint() override;
};

// A check box whose caption starts with blanks that leave room for a
// control placed over them. The blanks of a substitute face are narrower
// than the original's, so the visible text is set at TextLeft (when not
// negative) instead of after the blanks; the caption itself is kept.
class TCheckBox : public QCheckBox {
 public:
  TCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {}
  int TextLeft = -1;
  // Where the first non-blank character of the caption is drawn.
  int VisibleTextLeft() const;

 protected:
  void paintEvent(QPaintEvent* e) override;
};

}  // namespace tarnick
