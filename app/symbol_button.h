#pragma once

#include <QPushButton>

namespace app {

// A button whose caption is a character of the "Wingdings 3" symbol font:
// "q" draws a triangle pointing down, "p" one pointing up. Where the font is
// missing the button draws the triangle itself; text() stays "q" or "p".
class SymbolButton : public QPushButton {
  Q_OBJECT

 public:
  SymbolButton(const QString& symbol, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool font_draws_symbol_;
};

}  // namespace app
