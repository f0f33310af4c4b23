// CSorviFrame: the main window, a multiple-document frame titled "Vexa Sorvi".
#pragma once

#include <QMainWindow>

class QMdiArea;
class QLabel;
class QToolBar;

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
  // Fills the coverage legend from the status labels (at most four, in
  // status-code order) and shows it; stays hidden when no label is set.
  void show_coverage_legend();
  QToolBar* legend_bar() const { return legend_; }

 private:
  void create_menus();
  void create_status_bar();

  QMdiArea* mdi_ = nullptr;
  QToolBar* legend_ = nullptr;
};

}  // namespace sorvi
