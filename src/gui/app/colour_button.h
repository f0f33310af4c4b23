// CColourButton: a legend button filled with a coverage status colour and
// framed by a 3D border in lighter and darker shades of it.
#pragma once

#include <QAbstractButton>

namespace sorvi {

class CColourButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit CColourButton(int status_code, QWidget* parent = nullptr);
  int status_code() const { return status_code_; }
  QSize sizeHint() const override { return QSize(24, 16); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int status_code_;
};

}  // namespace sorvi
