#pragma once

#include <functional>
#include <string>

#include "toolkit/Canvas.h"
#include "toolkit/Label.h"

namespace tarnick {

enum TEllipsis { elNone, elEnd, elPath };
enum TTextGradation { tgNone, tg2Colors, tg3Colors };

// One extra copy of a label's text: its colour and offset.
class TShadow {
 public:
  bool Visible() const { return FVisible; }
  TColor Color() const { return FColor; }
  int OffsetLeft() const { return FOffsetLeft; }
  int OffsetTop() const { return FOffsetTop; }
  void SetShadowVisible(bool v);
  void SetShadowColor(TColor c);
  void SetShadowLeft(int v);
  void SetShadowTop(int v);
  // Copies the four values and raises OnChange.
  void Assign(const TShadow& source);

  std::function<void(TShadow*)> OnChange;

 private:
  void Changed();
  bool FVisible = true;
  TColor FColor = clSilver;
  int FOffsetLeft = 1;
  int FOffsetTop = 1;
};

// The colour resolved to RGB (system colours take their value), split.
void GetRGB(TColor color, int& r, int& g, int& b);
// A linear gradient from c1 (top or left) to c2 over the whole bitmap,
// computed for one column or row and then stretched or copied.
void GradBitmap(TBitmap& bitmap, TColor c1, TColor c2, bool vertical);
// The same gradient stretched onto r of a canvas.
void GradRect(Canvas& canvas, const TRect& r, TColor c1, TColor c2, bool vertical);

// The text's characters and their byte counts in code page 932 (the
// layouts' text encoding): 1 for ASCII and half-width katakana, else 2.
struct TextChar {
  std::string Bytes;  // UTF-8
  int Width;          // code page 932 bytes
};
std::vector<TextChar> SplitChars(const std::string& text);

// A label with a gradient background, shadow and highlight copies of its
// text, and text whose colour runs from its first character to its last.
class TShadowLabel : public TLabel {
 public:
  explicit TShadowLabel(QWidget* owner = nullptr);
  ~TShadowLabel() override;

  TEllipsis Ellipsis() const { return FEllipsis; }
  void SetEllipsis(TEllipsis e);
  bool Flickerless = true;
  bool GradateVert() const { return FGradateVert; }
  void SetGradateVert(bool v);
  bool Gradation() const { return FGradation; }
  void SetGradation(bool v);
  TColor GradationColor() const { return FGradationColor; }
  void SetGradationColor(TColor c);
  TShadow& Highlight() { return FHighlight; }
  TShadow& Shadow() { return FShadow; }
  void SetHighlight(const TShadow* s);
  void SetShadow(const TShadow* s);
  TTextGradation TextGradation() const { return FTextGradation; }
  void SetTextGradation(TTextGradation g);
  TColor TextGradationColor() const { return FTextGradationColor; }
  void SetTextGradationColor(TColor c);
  TColor TextMidColor() const { return FTextMidColor; }
  void SetTextMidColor(TColor c);

  // The DrawText flags of the current properties.
  unsigned DrawFlags() const;

 protected:
  void Paint() override;

 private:
  void ShadowChanged() { Invalidate(); }
  // Draws s with colours from c1 to c2 from x on, within r's top and
  // bottom; x moves on to the run's end.
  void GradientRun(Canvas& c, const std::vector<TextChar>& s, TColor c1, TColor c2, int& x,
                   const TRect& r, unsigned flags);
  TEllipsis FEllipsis = elNone;
  bool FGradateVert = false;
  bool FGradation = false;
  TColor FGradationColor = clBlue;
  TShadow FHighlight;
  TShadow FShadow;
  TTextGradation FTextGradation = tgNone;
  TColor FTextGradationColor = clMaroon;
  TColor FTextMidColor = clNavy;
};

}  // namespace tarnick
