#pragma once
// The skinned push button: a glyph left of the caption, drawn over a transparent
// background.

#include <QAbstractButton>
#include <QPixmap>
#include <functional>

namespace platform {

class TsuiBuiltInFileTheme;

class TsuiButton : public QAbstractButton {
  Q_OBJECT
 public:
  using TNotifyEvent = std::function<void(QObject* sender)>;

  explicit TsuiButton(QWidget* parent);

  void SetFileTheme(TsuiBuiltInFileTheme* theme) { theme_ = theme; }
  void SetGlyph(const QString& pictureName, QSize size);
  void SetSpacing(int pixels) { spacing_ = pixels; }
  void SetFontColor(const QColor& color) { fontColor_ = color; }

  // Carried out on the UI thread.
  void SetEnabled(bool enabled);
  bool Enabled() const;

  TNotifyEvent OnClick;

  QSize sizeHint() const override { return size(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TsuiBuiltInFileTheme* theme_ = nullptr;
  QString glyphName_;
  QSize glyphSize_;
  int spacing_ = 4;
  QColor fontColor_ = Qt::black;
};

}  // namespace platform
