#pragma once
// The skinned picture panel: one picture of the skin stretched over the panel.

#include <QWidget>
#include <functional>

namespace platform {

class TsuiBuiltInFileTheme;

class TsuiImagePanel : public QWidget {
  Q_OBJECT
 public:
  using TNotifyEvent = std::function<void(QObject* sender)>;

  explicit TsuiImagePanel(QWidget* parent);
  void SetPicture(TsuiBuiltInFileTheme* theme, const QString& pictureName);

  TNotifyEvent OnClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TsuiBuiltInFileTheme* theme_ = nullptr;
  QString pictureName_;
};

}  // namespace platform
