// The modeless search dialog of the text views: the text, match case, the
// direction, and "Find Next". It goes away when closed.
#pragma once

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace sorvi {

class CSorviFindDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CSorviFindDialog(QWidget* parent = nullptr);

  QLineEdit* text_edit() const { return text_; }
  QCheckBox* match_case_box() const { return match_case_; }
  QRadioButton* up_button() const { return up_; }
  // The "Find Next" request with the dialog's settings.
  void find_next();

  // Shows a view's dialog, made on first use with its requests going to
  // `find(text, forward, match_case)`; the dialog goes when closed.
  template <typename Find>
  static void show_for(QPointer<CSorviFindDialog>& dialog, QWidget* view, Find find) {
    if (!dialog) {
      dialog = new CSorviFindDialog(view);
      dialog->setWindowFlag(Qt::Window);
      connect(dialog, &CSorviFindDialog::find_requested, view, find);
    }
    dialog->show();
    dialog->raise();
  }

 signals:
  void find_requested(const QString& text, bool forward, bool match_case);

 private:
  QLineEdit* text_;
  QCheckBox* match_case_;
  QRadioButton* up_;
  QRadioButton* down_;
};

}  // namespace sorvi
