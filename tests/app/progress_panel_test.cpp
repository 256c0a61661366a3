// The progress bar of the status bar, drawn into an image.
#include <QImage>
#include <QPainter>

#include "app/status_bar.h"
#include "tests/app/window_fixture.h"

namespace app_test {
namespace {

constexpr app::WinRect kRect{10, 2, 410, 18};  // W = 401
const QColor kBlue(0, 0, 255);

struct ProgressCase {
  const char* name;
  int progress;
  const char* text;  // "" for none
  int split;         // first column right of the bar
};

// Names the case in test listings.
void PrintTo(const ProgressCase& c, std::ostream* os) {
  *os << c.name;
}

// What was drawn: the pixel count of each colour on each side of the split,
// and where the text pixels lie.
struct Drawing {
  int bar = 0, face = 0, white = 0, black = 0, other = 0;
  int white_right_of_split = 0, black_left_of_split = 0;
  int text_left = INT32_MAX, text_right = -1;
  int spilled_bar = 0;  // bar pixels in the column just right of the rectangle
  int outside_rect_changed = 0;
};

class ProgressPanelTest : public WindowTest, public ::testing::WithParamInterface<ProgressCase> {
 protected:
  Drawing Draw(int progress) {
    form->unit.DisplayedProgress = progress;
    QImage image(430, 24, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    // Without smoothing each pixel has one of the four colours.
    QFont font = form->StatusBar1->font();
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    form->StatusBar1DrawPanel(painter, 1, kRect);
    painter.end();

    const QColor face = form->StatusBar1->palette().color(QPalette::Button);
    const int split = std::min(kRect.right, kRect.left + (401 * progress) / 1000);
    Drawing d;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        const bool inside =
            x >= kRect.left && x < kRect.right && y >= kRect.top && y < kRect.bottom;
        if (!inside) {
          const bool spill_column = x == kRect.right && y >= kRect.top && y < kRect.bottom;
          if (spill_column && c == kBlue) {
            ++d.spilled_bar;
          } else {
            d.outside_rect_changed += c != QColor(Qt::magenta);
          }
          continue;
        }
        if (c == kBlue) {
          ++d.bar;
        } else if (c == face) {
          ++d.face;
        } else if (c == Qt::white || c == Qt::black) {
          (c == Qt::white ? d.white : d.black) += 1;
          d.white_right_of_split += c == Qt::white && x >= split;
          d.black_left_of_split += c == Qt::black && x < split;
          d.text_left = std::min(d.text_left, x);
          d.text_right = std::max(d.text_right, x);
        } else {
          ++d.other;
        }
      }
    }
    return d;
  }
};

TEST_P(ProgressPanelTest, BarAndPercentageChangeColourAtTheSplit) {
  const ProgressCase& c = GetParam();
  const Drawing d = Draw(c.progress);
  const int height = kRect.bottom - kRect.top;
  EXPECT_EQ(d.outside_rect_changed, 0);
  // W counts one column more than the rectangle holds, so a full bar ends one
  // column past it; the status bar clips it to the panel.
  EXPECT_EQ(d.spilled_bar, c.split > kRect.right ? height : 0);
  EXPECT_EQ(d.other, 0);
  EXPECT_EQ(d.white_right_of_split, 0);
  EXPECT_EQ(d.black_left_of_split, 0);
  const int bar_columns = std::min(c.split, kRect.right) - kRect.left;
  // The bar covers its columns but for the text on it.
  EXPECT_EQ(d.bar + d.white, bar_columns * height);
  EXPECT_EQ(d.face + d.black, (kRect.right - kRect.left - bar_columns) * height);
  const std::string text = c.text;
  if (text.empty()) {
    EXPECT_EQ(d.white + d.black, 0);
    return;
  }
  ASSERT_GT(d.white + d.black, 0);
  // The text is centred on the whole panel, whatever the bar's width.
  const int text_width = QFontMetrics(form->StatusBar1->font()).horizontalAdvance(c.text);
  const int x = kRect.left + 401 / 2 - text_width / 2;
  EXPECT_GE(d.text_left, x);
  EXPECT_LE(d.text_right, x + text_width);
  EXPECT_GT(d.text_right - d.text_left, text_width / 2);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ProgressPanelTest,
    ::testing::Values(ProgressCase{"nothing_yet", 0, "", 10},
                      ProgressCase{"early_states_show_0_percent", 5, "0%", 12},
                      ProgressCase{"half_with_the_split_through_the_text", 500, "50%", 210},
                      ProgressCase{"last_block", 999, "99%", 410},
                      ProgressCase{"done_covers_the_panel", 1000, "100%", 411},
                      ProgressCase{"failed_shows_0_percent_and_no_bar", -1, "0%", 10}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(WindowTest, StatusBarDrawsTheDisplayedProgressInPanelOne) {
  form->unit.DisplayedProgress = 500;
  const QImage image = form->StatusBar1->grab().toImage();
  const app::WinRect rect = form->StatusBar1->PanelRect(1);
  EXPECT_EQ(rect.left, 103);
  EXPECT_EQ(rect.right - rect.left, 398);
  const int split = rect.left + ((rect.right - rect.left + 1) * 500) / 1000;
  const int y = rect.bottom - 1;  // below the text
  EXPECT_EQ(image.pixelColor(rect.left, y), kBlue);
  EXPECT_EQ(image.pixelColor(split - 1, y), kBlue);
  EXPECT_EQ(image.pixelColor(split, y), form->StatusBar1->palette().color(QPalette::Button));
}

}  // namespace
}  // namespace app_test
