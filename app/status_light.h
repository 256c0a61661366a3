#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "isp/classic/isp_window.h"

namespace app {

// The lights' caption colours, 24-bit blue-green-red values.
inline constexpr std::uint32_t kLightGrey = 0x808080;   // idle
inline constexpr std::uint32_t kLightGreen = 0x00FF00;  // done
inline constexpr std::uint32_t kLightRed = 0x0000FF;    // failed

// The caption colour that shows the light's state.
std::uint32_t LightColour(isp::LightState state);

// One of the seven status lights: a black panel, a raised outer edge with a
// lowered inner bevel, and a bold centred caption whose colour is the
// signal (grey idle, green done, red failed).
class StatusLight : public QWidget {
  Q_OBJECT

 public:
  StatusLight(const QString& caption, QWidget* parent);

  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  // 24-bit blue-green-red value.
  std::uint32_t TextColour() const { return text_colour_; }
  // Colours the caption for what the light tells.
  void SetState(isp::LightState state);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
  std::uint32_t text_colour_;
};

}  // namespace app
