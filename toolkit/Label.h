#pragma once

#include <string>

#include "toolkit/Controls.h"

namespace tarnick {

enum TTextLayout { tlTop, tlCenter, tlBottom };

// The toolkit's text label: a window-less control showing its caption.
class TCustomLabel : public TGraphicControl {
 public:
  explicit TCustomLabel(QWidget* parent = nullptr);

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout layout);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool wrap);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool show);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool transparent);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool autoSize);

  // The caption as drawn: an empty one, or a lone "&" while "&" marks
  // accelerators, gets a blank appended so that it still has a height.
  std::string LabelText() const;
  // The label takes its caption's extent (a right-justified label keeps
  // its right edge).
  void AdjustBounds();

 protected:
  void Paint() override;
  // Draws (or with DT_CALCRECT measures) the caption into r.
  virtual void DoDrawText(TRect& r, unsigned flags);
  void CMFontChanged() override;
  void Loaded() override { AdjustBounds(); }

 private:
  std::string FCaption;
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FWordWrap = false;
  bool FShowAccelChar = true;
  bool FTransparent = false;
  bool FAutoSize = true;
};

class TLabel : public TCustomLabel {
 public:
  using TCustomLabel::TCustomLabel;
};

// DT_LEFT, DT_RIGHT or DT_CENTER for an alignment.
unsigned AlignmentFlags(TAlignment alignment);

}  // namespace tarnick
