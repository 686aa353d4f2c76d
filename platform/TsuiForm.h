#pragma once
// The skinned window frame: it covers the whole client area, draws the 50-pixel title bar
// with the application icon, the caption and the title buttons, and moves the window
// when the title bar is dragged.

#include <QIcon>
#include <QPoint>
#include <QWidget>
#include <cstdint>

namespace platform {

class TsuiBuiltInFileTheme;
class TsuiTitleButton;

class TsuiForm : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kTitleHeight = 50;
  static constexpr int kTitleLeftWidth = 323;
  static constexpr int kTitleRightWidth = 159;

  TsuiForm(QWidget* parent, TsuiBuiltInFileTheme* theme);

  void SetCaption(const QString& caption);
  QString Caption() const { return caption_; }
  void SetColor(uint32_t color);
  void SetCaptionFont(const QFont& font, uint32_t color);
  void SetIcon(const QIcon& icon) { icon_ = icon; }

  TsuiTitleButton* ControlBoxButton() const { return controlBox_; }
  TsuiTitleButton* MinimizeButton() const { return minimize_; }
  TsuiTitleButton* MaximizeButton() const { return maximize_; }
  TsuiTitleButton* CloseButton() const { return close_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void ShowSystemMenu();

  TsuiBuiltInFileTheme* theme_;
  QString caption_;
  QColor color_;
  QFont captionFont_;
  QColor captionColor_;
  QIcon icon_;
  TsuiTitleButton* controlBox_;
  TsuiTitleButton* minimize_;
  TsuiTitleButton* maximize_;
  TsuiTitleButton* close_;
  bool pressed_ = false;
  bool moving_ = false;
  QPoint pressOffset_;
};

}  // namespace platform
