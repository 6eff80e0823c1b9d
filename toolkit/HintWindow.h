#pragma once

#include <QImage>
#include <QWidget>
#include <string>

#include "toolkit/Canvas.h"
#include "toolkit/Graphics.h"

namespace tarnick {

// The toolkit's hint window: a top-level pop-up that never takes the focus
// and lets the mouse through. The hint machinery sizes it with
// CalcHintRect and shows it with ActivateHint; it paints through its canvas.
class THintWindow : public QWidget {
 public:
  THintWindow();
  ~THintWindow() override;

  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  const std::string& Caption() const { return FCaption; }
  Canvas& GetCanvas() { return FCanvas; }

  // The text's rectangle at (0, 0): the text laid out with word breaks in
  // maxWidth, plus 6 in width and 2 in height.
  virtual TRect CalcHintRect(int maxWidth, const std::string& hint);
  // Shows the hint in rect (screen coordinates): the window is 4 pixels
  // taller than rect and kept on the desktop.
  virtual void ActivateHint(TRect rect, const std::string& hint);
  // Hides the window.
  void ReleaseHint();

  // The window's place on the screen (right and bottom exclusive).
  TRect BoundsRect() const;
  // Paints the whole window now and answers its pixels.
  const QImage& Snapshot();
  // What lay under the window when it was shown (its not-erased background).
  const QImage& ScreenBeneath() const { return FBeneath; }
  void SetScreenBeneathForTest(const QImage& image) { FBeneath = image; }

 protected:
  virtual void Paint();
  // WM_ERASEBKGND: fills the client area with Color; answers whether the
  // background was erased (when not, the screen beneath shows).
  virtual bool EraseBackground();
  void paintEvent(QPaintEvent* e) override;

 private:
  void Render();
  TColor FColor = 0x80FFFF;
  std::string FCaption;
  QImage FSurface;
  QImage FBeneath;
  Canvas FCanvas;
};

}  // namespace tarnick
