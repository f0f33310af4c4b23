// CSorviFrame: the main window, a multiple-document frame titled "Vexa Sorvi".
#pragma once

#include <QMainWindow>

class QMdiArea;
class QLabel;

namespace sorvi {

class CSorviFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit CSorviFrame(QWidget* parent = nullptr);

  QMdiArea* mdi_area() const { return mdi_; }
  // Brings the window to the front, restoring it when minimised.
  void bring_to_front();
  // The caption: "Vexa Sorvi", and " - " with the active document's title.
  void update_caption(const QString& document_title);

 private:
  void create_menus();
  void create_status_bar();

  QMdiArea* mdi_ = nullptr;
};

}  // namespace sorvi
