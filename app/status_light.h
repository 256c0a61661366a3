#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

namespace app {

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
  void SetTextColour(std::uint32_t bgr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
  std::uint32_t text_colour_;
};

}  // namespace app
