#pragma once
// The skinned panel: a caption bar with a fold button above its content. Folding shrinks
// the panel to its caption bar; unfolding brings the content back.

#include <QWidget>
#include <cstdint>

class QToolButton;

namespace platform {

class TsuiPanel : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kCaptionHeight = 22;

  explicit TsuiPanel(QWidget* parent);

  void SetCaption(const QString& caption);
  void SetBorderColor(uint32_t color);
  void SetCaptionColor(uint32_t color);
  void SetColor(uint32_t color);

  void SetFolded(bool folded);
  bool Folded() const { return folded_; }
  QToolButton* FoldButton() const { return foldButton_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QString caption_;
  QColor border_, captionColor_, color_;
  QToolButton* foldButton_;
  bool folded_ = false;
  int unfoldedHeight_ = 0;
};

}  // namespace platform
