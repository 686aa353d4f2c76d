#pragma once
// The skinned link label: underlined text that turns red under the mouse and opens its
// address by itself when clicked.

#include <QLabel>
#include <string>

namespace platform {

class TsuiURLLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TsuiURLLabel(QWidget* parent);

  void SetURL(const std::string& address) { address_ = address; }
  const std::string& URL() const { return address_; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetHot(bool hot);
  std::string address_;
};

}  // namespace platform
