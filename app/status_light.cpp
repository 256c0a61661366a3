#include "app/status_light.h"

#include <qdrawutil.h>
#include <QPainter>

#include "app/bgr_colour.h"
#include "app/window_fonts.h"

namespace app {

std::uint32_t LightColour(isp::LightState state) {
  switch (state) {
    case isp::LightState::Done:
      return kLightGreen;
    case isp::LightState::Failed:
      return kLightRed;
    case isp::LightState::Idle:
      break;
  }
  return kLightGrey;
}

StatusLight::StatusLight(const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(caption), text_colour_(kLightGrey) {
  setFont(LightFont());
}

void StatusLight::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void StatusLight::SetState(isp::LightState state) {
  text_colour_ = LightColour(state);
  update();
}

void StatusLight::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect outer = rect();
  qDrawShadePanel(&painter, outer, palette(), false, 1);
  qDrawShadePanel(&painter, outer.adjusted(1, 1, -1, -1), palette(), true, 1);
  const QRect inside = outer.adjusted(2, 2, -2, -2);
  painter.fillRect(inside, Qt::black);
  painter.setPen(FromBgr(text_colour_));
  // The engine's caption for the erase light ends in a CR, which the panel
  // does not draw.
  painter.drawText(inside, Qt::AlignCenter, caption_.trimmed());
}

}  // namespace app
