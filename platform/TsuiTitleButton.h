#pragma once
// One button of the skinned title bar, drawn from the skin's pictures for its normal,
// mouse-over and pressed states.

#include <QAbstractButton>

namespace platform {

class TsuiBuiltInFileTheme;

class TsuiTitleButton : public QAbstractButton {
  Q_OBJECT
 public:
  static constexpr int kSize = 28;

  // kind names the pictures: "close" uses button-close-normal, -hover and -pressed.
  TsuiTitleButton(QWidget* parent, TsuiBuiltInFileTheme* theme, const QString& kind);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TsuiBuiltInFileTheme* theme_;
  QString kind_;
};

}  // namespace platform
