#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>

#include <QAbstractItemView>
#include <QColor>
#include <QLineEdit>
#include <QTest>

#include "controls/Mccbox.h"
#include "engine/Exception.h"
#include "engine/Preset.h"

namespace tarnick {
namespace {

TFont ListFont() {
  TFont f;
  f.SetName("ＭＳ Ｐゴシック");
  f.SetCharset(SHIFTJIS_CHARSET);
  f.SetHeight(-11);
  f.SetColor(0x464646);
  return f;
}

// The main window's preset list C2_00.
void MakePresetList(TMultiColComboBox& c) {
  c.SetBounds(64, 134, 286, 19);
  const std::pair<int, TColor> cols[] = {{200, clWhite}, {60, 0xF0F0F0}, {60, 0xFFC4FF},
                                         {70, 0xFFC4FF}, {60, 0xFFC4FF}, {60, 0xFFC4FF},
                                         {60, 0xFFFFC4}, {60, 0xFFFFC4}, {60, 0xFFFFC4}};
  c.SetCanEdit(false);
  c.SetIndent(1);
  c.SetColor(clWhite);
  c.SetDropDownCount(30);
  c.SetItemHeight(13);
  c.SetFont(ListFont());
  c.Columns().Clear();
  for (const auto& [w, color] : cols) {
    TCBColumn& col = c.Columns().Add();
    col.SetWidth(w);
    col.SetColor(color);
    col.SetFont(ListFont());
    col.SetParentColor(false);
    col.SetParentFont(false);
  }
}

TColor At(const QImage& img, int x, int y) {
  return FromQColor(QColor(img.pixel(x, y)));
}

int InkIn(const QImage& img, int x1, int x2, TColor ink) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = x1; x < x2; ++x) n += At(img, x, y) == ink;
  return n;
}

TEST(MultiColComboBoxTest, NewBoxDefaults) {
  TMultiColComboBox c;
  EXPECT_EQ(c.Columns().Count(), 1);
  EXPECT_EQ(c.Columns()[0].Width(), 60);
  EXPECT_TRUE(c.Columns()[0].ParentColor());
  EXPECT_TRUE(c.Columns()[0].ParentFont());
  EXPECT_EQ(c.TargetColumn(), 0);
  EXPECT_EQ(c.Indent(), 2);
  EXPECT_EQ(c.ItemHeight(), 15);
  EXPECT_TRUE(c.CanEdit());
  EXPECT_EQ(c.DropDownCount(), 8);
}

TEST(MultiColComboBoxTest, LineListFollowsEveryItemChange) {
  TMultiColComboBox c;
  c.Items().Add("a,b,c");
  EXPECT_EQ(c.ItemIndex(), -1);
  c.Items().Add("d,e");
  c.Items().Insert(1, "x,y");
  EXPECT_EQ(c.Lines(), (std::vector<std::string>{"a,b,c", "x,y", "d,e"}));
  EXPECT_EQ(c.itemText(1).toStdString(), "x");
  EXPECT_EQ(c.Items()[0], "a,b,c");      // the whole line, not the shown "a"
  EXPECT_EQ(c.Items().IndexOf("d"), 2);  // searches compare shown texts
  EXPECT_EQ(c.Items().IndexOf("d,e"), -1);
  c.SetItemIndex(0);
  c.Items().Delete(0);
  EXPECT_EQ(c.ItemIndex(), -1);
  EXPECT_EQ(c.Lines(), (std::vector<std::string>{"x,y", "d,e"}));
  EXPECT_EQ(c.Items().Count(), 2);
  std::string out = "untouched";
  EXPECT_EQ(c.GetLBText(5, out), -1);
  EXPECT_EQ(out, "untouched");
  EXPECT_THROW(c.Items().Get(2), Exception);
  EXPECT_THROW(c.Items().Delete(7), Exception);
  EXPECT_EQ(c.Lines().size(), 2u);
  c.Items().Clear();
  EXPECT_TRUE(c.Lines().empty());
  EXPECT_EQ(c.count(), 0);
}

TEST(MultiColComboBoxTest, LongLinesComeBackWhole) {
  TMultiColComboBox c;
  const std::string line = "name," + std::string(5000, 'x');
  c.Items().Add(line);
  EXPECT_EQ(c.Items()[0], line);
}

TEST(MultiColComboBoxTest, TargetColumnDecidesShownAndSelectedText) {
  TMultiColComboBox c;
  c.SetCanEdit(false);
  c.SetTargetColumn(3);
  c.Items().Add("a,b,c,d");
  c.Items().Add("a,b");
  EXPECT_EQ(c.itemText(0).toStdString(), "d");
  EXPECT_EQ(c.itemText(1).toStdString(), "");
  EXPECT_EQ(c.GetSelectedText(), "");  // nothing selected
  c.SetItemIndex(0);
  EXPECT_EQ(c.GetSelectedText(), "d");
  c.SetItemIndex(1);
  EXPECT_EQ(c.GetSelectedText(), "");
  c.SetItemIndex(0);
  c.SetTargetColumn(1);
  EXPECT_EQ(c.itemText(0).toStdString(), "d");  // already added: kept
  EXPECT_EQ(c.GetSelectedText(), "b");
  EXPECT_EQ(c.GetColumnText(0, 2), "c");
  EXPECT_EQ(c.GetColumnText(1, 2), "");
  EXPECT_EQ(c.GetColumnText(-1, 0), "");
  EXPECT_EQ(c.GetColumnText(2, 0), "");
  c.SetItemIndex(9);
  EXPECT_EQ(c.ItemIndex(), -1);
}

TEST(MultiColComboBoxTest, HeaderRowShowsEmptyAndPaintsItsTitles) {
  TMultiColComboBox c;
  MakePresetList(c);
  c.Items().Add(std::string(PresetHeaderRow));
  EXPECT_EQ(c.itemText(0).toStdString(), "");
  const QImage row = c.PaintListItem(0, 690, false);
  ASSERT_EQ(row.height(), 13);
  EXPECT_EQ(InkIn(row, 0, 200, 0x464646), 0);  // the empty name
  const int edges[] = {200, 260, 320, 390, 450, 510, 570, 630, 690};
  const TColor colours[] = {0xF0F0F0, 0xFFC4FF, 0xFFC4FF, 0xFFC4FF,
                            0xFFC4FF, 0xFFFFC4, 0xFFFFC4, 0xFFFFC4};
  for (int i = 0; i < 8; ++i) {
    EXPECT_GT(InkIn(row, edges[i], edges[i + 1], 0x464646), 0) << "title " << i + 1;
    EXPECT_EQ(At(row, edges[i], 0), colours[i]) << i;  // the indent keeps the cell's edge
    EXPECT_EQ(At(row, edges[i + 1] - 1, 12), colours[i]) << i;
  }
}

TEST(MultiColComboBoxTest, CellsCutAtTheRowAndEmptyCellsKeepTheirColour) {
  TMultiColComboBox c;
  MakePresetList(c);
  c.Items().Add("one,two,3,4,5,6,7,8,9,10,11");
  c.Items().Add("short");
  // A row narrower than the columns: cut at 300, no remainder.
  const QImage cut = c.PaintListItem(0, 300, false);
  EXPECT_EQ(At(cut, 299, 6), 0xFFC4FFu);
  const QImage few = c.PaintListItem(1, 690, false);
  EXPECT_EQ(InkIn(few, 200, 690, 0x464646), 0);
  EXPECT_EQ(At(few, 680, 6), 0xFFFFC4u);
  // A wider row: the rest beyond the columns takes the current brush.
  const QImage wide = c.PaintListItem(0, 720, false);
  EXPECT_EQ(At(wide, 700, 6), 0xFFFFC4u);
  EXPECT_EQ(InkIn(wide, 690, 720, 0x464646), 0);  // extra columns not painted
}

TEST(MultiColComboBoxTest, SelectedLineUsesTheHighlight) {
  TMultiColComboBox c;
  MakePresetList(c);
  c.Items().Add("name,.mp4");
  const QImage row = c.PaintListItem(0, 690, true);
  EXPECT_EQ(At(row, 250, 0), ColorToRGB(clHighlight));
  EXPECT_GT(InkIn(row, 0, 200, ColorToRGB(clHighlightText)), 0);
}

TEST(MultiColComboBoxTest, SelectionFieldPaintsTheTargetColumn) {
  TMultiColComboBox c;
  MakePresetList(c);
  c.Items().Add("first,.mp4");
  c.Items().Add(".mp4,second");
  c.SetItemIndex(1);
  const TRect field = c.FieldRect();
  const int inkName = InkIn(c.Snapshot(), field.Left, field.Right, 0x464646);
  EXPECT_GT(inkName, 0);
  c.SetTargetColumn(1);
  const QImage after = c.Snapshot();
  EXPECT_EQ(c.GetSelectedText(), "second");
  // The field repaints the new column ("second" is wider than ".mp4").
  EXPECT_NE(InkIn(after, field.Left, field.Right, 0x464646), inkName);
}

TEST(MultiColComboBoxTest, OpenListIsAsWideAsTheColumns) {
  TMultiColComboBox c;
  MakePresetList(c);
  c.Items().Add(std::string(PresetHeaderRow));
  int dropDowns = 0;
  c.OnDropDown = [&](TCustomComboBox*) { ++dropDowns; };
  c.show();
  c.showPopup();
  EXPECT_EQ(dropDowns, 1);
  EXPECT_EQ(c.DroppedWidth(), 690);
  EXPECT_GE(c.view()->window()->width(), 690);
  c.hidePopup();

  TMultiColComboBox codec;
  codec.SetBounds(204, 126, 132, 19);
  codec.Columns()[0].SetWidth(112);
  codec.Columns().Add().SetWidth(160);
  codec.showPopup();
  EXPECT_EQ(codec.DroppedWidth(), 272);
  codec.hidePopup();
}

TEST(MultiColComboBoxTest, ColumnsFollowTheControlUntilSetThemselves) {
  TMultiColComboBox c;
  TCBColumn& col = c.Columns()[0];
  c.SetColor(clYellow);
  EXPECT_EQ(col.Color(), clYellow);
  c.Font().SetHeight(-15);
  EXPECT_EQ(col.Font().Height(), -15);
  EXPECT_TRUE(col.ParentFont());
  col.SetColor(clYellow);
  EXPECT_TRUE(col.ParentColor());  // the same colour changes nothing
  col.SetColor(clRed);
  EXPECT_FALSE(col.ParentColor());
  c.SetColor(clLime);
  EXPECT_EQ(col.Color(), clRed);
  col.Font().SetStyle(fsBold);
  EXPECT_FALSE(col.ParentFont());
  c.Font().SetHeight(-9);
  EXPECT_EQ(col.Font().Height(), -15);
  col.SetParentColor(true);
  EXPECT_EQ(col.Color(), clLime);

  TMultiColComboBox other;
  other.SetColumns(c.Columns());
  EXPECT_EQ(other.Columns().Count(), 1);
  EXPECT_EQ(other.Columns()[0].Color(), clWindow);  // follows its own control
  EXPECT_FALSE(other.Columns()[0].ParentFont());
  EXPECT_TRUE(other.Columns()[0].Font().Bold());
}

TEST(MultiColComboBoxTest, EditedTextIsTheSelectedText) {
  TMultiColComboBox c;
  c.Items().Add("a,b");
  c.SetItemIndex(0);
  EXPECT_EQ(c.GetSelectedText(), "a");
  c.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&c));
  c.lineEdit()->setFocus();
  c.lineEdit()->selectAll();
  QTest::keyClicks(c.lineEdit(), "typed");
  EXPECT_EQ(c.GetSelectedText(), "typed");
  EXPECT_EQ(c.Lines().size(), 1u);
  QTest::keyClick(c.lineEdit(), Qt::Key_Return);
  EXPECT_EQ(c.count(), 1);  // Enter adds no item behind the line list
}

TEST(MultiColComboBoxTest, RendersThePresetListForPeopleToLookAt) {
  TMultiColComboBox c;
  MakePresetList(c);
  c.Items().Add(std::string(PresetHeaderRow));
  c.Items().Add("PSP標準,.mp4,320x240,LIBX264,29.97fps,768kbps,AAC,48000Hz,128kbps");
  c.Items().Add("\"PSP 高画質\",.mp4,480x272,LIBX264,29.97fps,1024kbps,AAC,48000Hz,160kbps");
  c.Items().Add("Xvid,.mp4,320x240,LIBXVID,15fps,384kbps,AAC,24000Hz,64kbps");
  c.SetItemIndex(1);
  QImage sheet(700, 30 + 13 * c.count(), QImage::Format_RGB32);
  sheet.fill(Qt::white);
  QPainter p(&sheet);
  p.drawImage(5, 5, c.Snapshot());
  for (int i = 0; i < c.count(); ++i) p.drawImage(5, 25 + 13 * i, c.PaintListItem(i, 690, i == 2));
  p.end();
  ASSERT_TRUE(QDir().mkpath(TARNICK_ARTIFACT_DIR));
  const QString path = QStringLiteral(TARNICK_ARTIFACT_DIR "/Mccbox.png");
  ASSERT_TRUE(sheet.save(path));
  EXPECT_EQ(QImage(path).size(), sheet.size());
  // Each cell in its column's colour, near its right edge (past the text):
  // name white, extension 240, four video columns 255,196,255, three audio
  // columns 196,255,255.
  const int rights[] = {200, 260, 320, 390, 450, 510, 570, 630, 690};
  const QRgb colours[] = {qRgb(255, 255, 255), qRgb(240, 240, 240), qRgb(255, 196, 255),
                          qRgb(255, 196, 255), qRgb(255, 196, 255), qRgb(255, 196, 255),
                          qRgb(196, 255, 255), qRgb(196, 255, 255), qRgb(196, 255, 255)};
  for (int row : {1, 3})
    for (int i = 0; i < 9; ++i)
      EXPECT_EQ(sheet.pixel(5 + rights[i] - 2, 25 + 13 * row + 6), colours[i])
          << "row " << row << " column " << i;
  // The lines' text in 70,70,70.
  int ink = 0;
  for (int y = 25 + 13; y < 25 + 26; ++y)
    for (int x = 5; x < 5 + 200; ++x) ink += sheet.pixel(x, y) == qRgb(70, 70, 70);
  EXPECT_GT(ink, 10);
}

TEST(MultiColComboBoxTest, FocusedClosedListPaintsOnlyItsField) {
  QWidget form;
  form.resize(320, 40);
  TMultiColComboBox c(&form);
  MakePresetList(c);
  c.setGeometry(10, 10, 286, 19);
  c.Items().Add(std::string(PresetHeaderRow));
  c.Items().Add("PSP標準,.mp4,320x240,LIBX264,29.97fps,768kbps,AAC,48000Hz,128kbps");
  c.SetItemIndex(1);
  const QImage idle = c.Snapshot();
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  c.setFocus();
  QTRY_VERIFY(c.hasFocus());
  const QImage focused = c.Snapshot();
  const TRect field = c.FieldRect();
  // The field (rows 3 to 15) shows the highlight; the row below it stays
  // as without the focus.
  EXPECT_NE(focused.pixel(field.Left + 1, field.Top + 1),
            idle.pixel(field.Left + 1, field.Top + 1));
  for (int y = field.Bottom; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x)
      ASSERT_EQ(focused.pixel(x, y), idle.pixel(x, y)) << x << "," << y;
}

}  // namespace
}  // namespace tarnick
