// The modeless search dialog of the text views: the text, match case, the
// direction, and "Find Next". Its replacing form, for a writable text, has
// the replacement, match case and whole word, and Find Next, Replace and
// Replace All. It goes away when closed.
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
  enum class ReplaceStep { FindNext, Replace, ReplaceAll };

  explicit CSorviFindDialog(QWidget* parent = nullptr, bool replacing = false);

  bool replacing() const { return replace_ != nullptr; }
  QLineEdit* text_edit() const { return text_; }
  QLineEdit* replace_edit() const { return replace_; }
  QCheckBox* match_case_box() const { return match_case_; }
  QCheckBox* whole_word_box() const { return whole_word_; }
  QRadioButton* up_button() const { return up_; }
  // The "Find Next" request with the dialog's settings, and the replacing
  // form's "Replace" and "Replace All".
  void find_next();
  void replace_next() { request_replace(ReplaceStep::Replace); }
  void replace_all() { request_replace(ReplaceStep::ReplaceAll); }

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
  // The same for the replacing form, whose requests go to
  // `replace(text, with, match_case, whole_word, step)`.
  template <typename Replace>
  static void show_replace_for(QPointer<CSorviFindDialog>& dialog, QWidget* view, Replace replace) {
    if (!dialog) {
      dialog = new CSorviFindDialog(view, true);
      dialog->setWindowFlag(Qt::Window);
      connect(dialog, &CSorviFindDialog::replace_requested, view, replace);
    }
    dialog->show();
    dialog->raise();
  }

 signals:
  void find_requested(const QString& text, bool forward, bool match_case);
  void replace_requested(const QString& text, const QString& with, bool match_case, bool whole_word,
                         sorvi::CSorviFindDialog::ReplaceStep step);

 private:
  void request_replace(ReplaceStep step);

  QLineEdit* text_;
  QLineEdit* replace_ = nullptr;
  QCheckBox* match_case_;
  QCheckBox* whole_word_ = nullptr;
  QRadioButton* up_ = nullptr;
  QRadioButton* down_ = nullptr;
};

}  // namespace sorvi
